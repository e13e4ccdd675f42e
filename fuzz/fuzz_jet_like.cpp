// Jet's LIKE as the program matches it (airflow/jet_like.h), compared on any text and pattern
// with a reference matcher written here from the same rules the plain way: characters decoded
// one by one, every case tried by recursion (remembered, so that stars stay cheap). The input is
// the text, a NUL, then the pattern. Any difference stops the run.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "airflow/jet_like.h"

namespace {

// The characters of UTF-8 text; a byte that does not begin a well-formed sequence is a
// character of its own, numbered 0x110000 + the byte.
std::vector<std::uint32_t> Decode(std::string_view s) {
  std::vector<std::uint32_t> out;
  std::size_t i = 0;
  while (i < s.size()) {
    const auto b = static_cast<std::uint8_t>(s[i]);
    std::size_t n = 0;
    std::uint32_t c = 0;
    std::uint32_t least = 0;
    if (b < 0x80) {
      out.push_back(b);
      ++i;
      continue;
    }
    if (b >= 0xC0 && b < 0xE0) {
      n = 2, c = b - 0xC0, least = 0x80;
    } else if (b >= 0xE0 && b < 0xF0) {
      n = 3, c = b - 0xE0, least = 0x800;
    } else if (b >= 0xF0 && b < 0xF8) {
      n = 4, c = b - 0xF0, least = 0x10000;
    }
    bool ok = n != 0 && i + n <= s.size();
    for (std::size_t k = 1; ok && k < n; ++k) {
      const auto next = static_cast<std::uint8_t>(s[i + k]);
      ok = next >= 0x80 && next < 0xC0;
      c = c * 64 + (next - 0x80);
    }
    ok = ok && c >= least && c <= 0x10FFFF && !(c >= 0xD800 && c <= 0xDFFF);
    if (ok) {
      out.push_back(c);
      i += n;
    } else {
      out.push_back(0x110000 + b);
      ++i;
    }
  }
  return out;
}

// Windows-1252's characters 0x80..0x9F (the five it leaves free as themselves).
constexpr std::uint32_t kHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// The character's place in the order of ranges after folding its case in Windows-1252.
std::uint32_t Key(std::uint32_t c) {
  int code = -1;
  if (c < 0x80 || (c >= 0xA0 && c < 0x100)) code = static_cast<int>(c);
  for (int k = 0; k < 32 && code < 0; ++k) {
    if (kHigh[k] == c) code = 0x80 + k;
  }
  if (code < 0) return 0x100 + c;
  // Capitals to small letters, code by code.
  if (code >= 'A' && code <= 'Z') code += 32;
  if (code >= 0xC0 && code <= 0xDE && code != 0xD7) code += 32;
  if (code == 0x8A || code == 0x8C || code == 0x8E) code += 16;
  if (code == 0x9F) code = 0xFF;
  return static_cast<std::uint32_t>(code);
}

class Reference {
 public:
  Reference(std::vector<std::uint32_t> text, std::vector<std::uint32_t> pattern)
      : t_(std::move(text)), p_(std::move(pattern)), memo_((p_.size() + 1) * (t_.size() + 1), -1) {}

  bool Match(std::size_t p, std::size_t t) {
    signed char& m = memo_[p * (t_.size() + 1) + t];
    if (m < 0) m = Compute(p, t) ? 1 : 0;
    return m == 1;
  }

 private:
  bool Compute(std::size_t p, std::size_t t) {
    if (p == p_.size()) return t == t_.size();
    const std::uint32_t c = p_[p];
    const bool more = t < t_.size();
    if (c == '*') return Match(p + 1, t) || (more && Match(p, t + 1));
    if (c == '?') return more && Match(p + 1, t + 1);
    if (c == '#') return more && t_[t] >= '0' && t_[t] <= '9' && Match(p + 1, t + 1);
    if (c == '[') {
      std::size_t close = p + 1;
      while (close < p_.size() && p_[close] != ']') ++close;
      if (close < p_.size()) {
        std::vector<std::uint32_t> inside(p_.begin() + static_cast<std::ptrdiff_t>(p + 1),
                                          p_.begin() + static_cast<std::ptrdiff_t>(close));
        if (inside.empty()) return Match(close + 1, t);  // "[]": the empty run
        const bool negated = inside[0] == '!';
        if (negated) inside.erase(inside.begin());
        if (!more) return false;
        bool in = false;
        for (std::size_t k = 0; k < inside.size();) {
          const std::uint32_t low = inside[k];
          std::uint32_t high = low;
          if (k + 2 < inside.size() && inside[k + 1] == '-') {
            high = inside[k + 2];
            k += 3;
          } else {
            k += 1;
          }
          in = in || (Key(low) <= Key(t_[t]) && Key(t_[t]) <= Key(high));
        }
        return in != negated && Match(close + 1, t + 1);
      }
    }
    return more && Key(c) == Key(t_[t]) && Match(p + 1, t + 1);
  }

  std::vector<std::uint32_t> t_;
  std::vector<std::uint32_t> p_;
  std::vector<signed char> memo_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t split = input.find('\0');
  const std::string_view text =
      split == std::string_view::npos ? input.substr(0, size / 2) : input.substr(0, split);
  const std::string_view pattern =
      split == std::string_view::npos ? input.substr(size / 2) : input.substr(split + 1);
  if (text.size() > 200 || pattern.size() > 200) return 0;
  Reference reference(Decode(text), Decode(pattern));
  if (orv::JetLike(text, pattern) != reference.Match(0, 0)) std::abort();
  return 0;
}
