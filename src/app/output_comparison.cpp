#include "app/output_comparison.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "base/number_format.h"
#include "base/text.h"

namespace orv {

namespace {

// A slot text cut into its numbers and the words between them.
struct Pieces {
  std::vector<std::string> words;  // words[i] comes before numbers[i]; one more word than numbers
  std::vector<double> numbers;
  std::vector<int> decimals;
};

bool IsDigit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }
bool IsLetter(char c) { return std::isalpha(static_cast<unsigned char>(c)) != 0; }

// A number starts with a digit, or with "-", "." or "-." before a digit (the panels write ".500"
// and "-.500"); digits that continue a word ("H2O") belong to the word.
Pieces Cut(std::string_view text) {
  Pieces p;
  std::string word;
  std::size_t i = 0;
  while (i < text.size()) {
    std::size_t j = i;
    if (text[j] == '-') ++j;
    if (j < text.size() && text[j] == '.') ++j;
    const bool number = j < text.size() && IsDigit(text[j]) && (i == 0 || !IsLetter(text[i - 1]));
    if (!number) {
      word += text[i++];
      continue;
    }
    j = text[i] == '-' ? i + 1 : i;
    while (j < text.size() && IsDigit(text[j])) ++j;
    int decimals = 0;
    if (j + 1 < text.size() && text[j] == '.' && IsDigit(text[j + 1])) {
      ++j;
      for (; j < text.size() && IsDigit(text[j]); ++j) ++decimals;
    }
    std::string digits(text.substr(i, j - i));
    // ".5" and "-.5" read as 0.5 and -0.5.
    if (digits.starts_with("-.")) digits.insert(1, "0");
    if (digits.starts_with(".")) digits.insert(0, "0");
    p.words.push_back(std::move(word));
    word.clear();
    p.numbers.push_back(std::strtod(digits.c_str(), nullptr));
    p.decimals.push_back(decimals);
    i = j;
  }
  p.words.push_back(std::move(word));
  return p;
}

// A difference as shown: its sign always written, except on a difference that shows as zero.
std::string Signed(double value, int decimals) {
  std::string text(Trim(FormatNumber(value, 1, decimals)));
  if (text.find_first_not_of("-0.") == std::string::npos) {
    return std::string(Trim(FormatNumber(0.0, 1, decimals)));
  }
  if (text[0] == '-') return text;
  return "+" + text;
}

// Slots whose texts are listings of turning points rather than one value.
bool IsListing(int slot) { return slot == 50 || slot == 51 || (slot >= 70 && slot <= 105); }

}  // namespace

// A text with every run of blanks made one blank: the panels line figures up with runs of
// blanks that only widen the columns beside them.
std::string OneBlank(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c == ' ' && !out.empty() && out.back() == ' ') continue;
    out += c;
  }
  return out;
}

SlotDifference CompareSlotTexts(std::string_view reference, std::string_view current) {
  SlotDifference d;
  const std::string ref = OneBlank(Trim(reference));
  const std::string cur = OneBlank(Trim(current));
  d.reference = ref;
  if (ref.empty() || cur.empty()) return d;
  const Pieces a = Cut(ref);
  const Pieces b = Cut(cur);
  if (a.numbers.empty() || a.words != b.words) return d;
  bool up = false, down = false;
  const bool single = b.numbers.size() == 1;
  for (std::size_t k = 0; k < b.numbers.size(); ++k) {
    const int decimals = std::max(a.decimals[k], b.decimals[k]);
    // The difference of the numbers as shown, rounded to the decimals they show with, so that
    // 4.125 - 4.030 is 0.095 and not its binary neighbour.
    const double scale = std::pow(10.0, decimals);
    const double diff = std::round((b.numbers[k] - a.numbers[k]) * scale) / scale;
    const std::string text = Signed(diff, decimals);
    if (text[0] == '+') up = true;
    if (text[0] == '-') down = true;
    if (single) {
      d.difference += a.words[k];
    } else if (k > 0) {
      d.difference += " / ";
    }
    d.difference += text;
  }
  if (single) d.difference += a.words.back();
  d.sign = up && down ? DifferenceSign::Mixed
           : up       ? DifferenceSign::Up
           : down     ? DifferenceSign::Down
                      : DifferenceSign::Zero;
  return d;
}

std::map<int, SlotDifference> CompareOutputSlots(const OutputPanel& reference,
                                                 const OutputPanel& current) {
  std::map<int, SlotDifference> out;
  auto compare = [&](const std::map<int, std::string>& ref, const std::map<int, std::string>& cur) {
    for (const auto& [slot, text] : cur) {
      if (IsListing(slot)) continue;
      const auto it = ref.find(slot);
      out[slot] = CompareSlotTexts(it == ref.end() ? std::string_view() : it->second, text);
    }
  };
  compare(reference.page0, current.page0);
  compare(reference.page1, current.page1);
  return out;
}

}  // namespace orv
