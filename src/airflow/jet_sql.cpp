#include "airflow/jet_sql.h"

#include <charconv>
#include <cstdint>
#include <system_error>

#include "airflow/jet_errors.h"

namespace orv {

namespace {

enum class TokenKind { Space, Word, Bracketed, Text, Date, Number, Symbol };

struct Token {
  TokenKind kind;
  std::string_view text;  // as written
  std::string value;      // Text: the unquoted contents; Date: the contents between the #
};

bool IsWordStart(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' ||
         static_cast<unsigned char>(c) >= 0x80;
}
bool IsWordChar(char c) { return IsWordStart(c) || (c >= '0' && c <= '9'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

bool SameWord(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 32);
    if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 32);
    if (x != y) return false;
  }
  return true;
}

[[noreturn]] void SyntaxError(std::string_view sql, std::string_view what) {
  RaiseDatabaseError(kErrQuerySyntax, sql, what);
}

std::vector<Token> Tokenize(std::string_view sql) {
  std::vector<Token> tokens;
  std::size_t i = 0;
  while (i < sql.size()) {
    const std::size_t start = i;
    const char c = sql[i];
    Token t{TokenKind::Symbol, {}, {}};
    if (IsSpace(c)) {
      while (i < sql.size() && IsSpace(sql[i])) ++i;
      t.kind = TokenKind::Space;
    } else if (c == '\'' || c == '"') {
      // A literal; the quote character doubled stands for itself.
      ++i;
      bool closed = false;
      while (i < sql.size()) {
        if (sql[i] == c) {
          if (i + 1 < sql.size() && sql[i + 1] == c) {
            t.value.push_back(c);
            i += 2;
            continue;
          }
          ++i;
          closed = true;
          break;
        }
        t.value.push_back(sql[i++]);
      }
      if (!closed) SyntaxError(sql, "a text without its closing quote");
      t.kind = TokenKind::Text;
    } else if (c == '#') {
      const std::size_t end = sql.find('#', i + 1);
      if (end == std::string_view::npos) SyntaxError(sql, "a date without its closing #");
      t.kind = TokenKind::Date;
      t.value = std::string(sql.substr(i + 1, end - i - 1));
      i = end + 1;
    } else if (c == '[') {
      const std::size_t end = sql.find(']', i + 1);
      if (end == std::string_view::npos) SyntaxError(sql, "a name without its closing ]");
      t.kind = TokenKind::Bracketed;
      t.value = std::string(sql.substr(i + 1, end - i - 1));
      i = end + 1;
    } else if (IsWordStart(c)) {
      while (i < sql.size() && IsWordChar(sql[i])) ++i;
      t.kind = TokenKind::Word;
    } else if (IsDigit(c) || (c == '.' && i + 1 < sql.size() && IsDigit(sql[i + 1]))) {
      while (i < sql.size() && (IsDigit(sql[i]) || sql[i] == '.')) ++i;
      if (i < sql.size() && (sql[i] == 'e' || sql[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < sql.size() && (sql[j] == '+' || sql[j] == '-')) ++j;
        if (j < sql.size() && IsDigit(sql[j])) {
          i = j;
          while (i < sql.size() && IsDigit(sql[i])) ++i;
        }
      }
      t.kind = TokenKind::Number;
    } else {
      ++i;
    }
    t.text = sql.substr(start, i - start);
    tokens.push_back(std::move(t));
  }
  return tokens;
}

std::string DayNumberLiteral(double day) {
  char buf[32];
  const auto r = std::to_chars(buf, buf + sizeof buf, day);
  std::string s(buf, r.ptr);
  if (s.find_first_of(".e") == std::string::npos) s += ".0";
  return s;
}

// Index of the next token that is not a blank, or tokens.size().
std::size_t NextSolid(const std::vector<Token>& tokens, std::size_t i) {
  while (i < tokens.size() && tokens[i].kind == TokenKind::Space) ++i;
  return i;
}

}  // namespace

std::string JetQuoted(std::string_view text) {
  std::string out = "'";
  for (char c : text) {
    if (c == '\'') out += '\'';
    out += c;
  }
  out += '\'';
  return out;
}

std::string TranslateJetSql(std::string_view jetSql, const ShortDateFormat& dates) {
  const std::vector<Token> tokens = Tokenize(jetSql);
  std::string out;
  out.reserve(jetSql.size() + 32);
  for (std::size_t i = 0; i < tokens.size(); ++i) {
    const Token& t = tokens[i];
    switch (t.kind) {
      case TokenKind::Text:
        out += JetQuoted(t.value);
        break;
      case TokenKind::Date: {
        const auto day = ParseShortDate(t.value, dates);
        if (!day) SyntaxError(jetSql, "the date #" + t.value + "# is not valid");
        out += DayNumberLiteral(*day);
        break;
      }
      case TokenKind::Word: {
        const bool qualified = (i > 0 && tokens[i - 1].text == ".") ||
                               (i + 1 < tokens.size() && tokens[i + 1].text == ".");
        if (!qualified && SameWord(t.text, "True")) {
          out += '1';
        } else if (!qualified && SameWord(t.text, "False")) {
          out += '0';
        } else if (SameWord(t.text, "SELECT")) {
          out += t.text;
          const std::size_t next = NextSolid(tokens, i + 1);
          if (next < tokens.size() && tokens[next].kind == TokenKind::Word &&
              SameWord(tokens[next].text, "ALL")) {
            i = next;
          }
        } else {
          out += t.text;
        }
        break;
      }
      case TokenKind::Symbol:
        out += t.text == "&" ? "||" : std::string(t.text);
        break;
      case TokenKind::Space:
      case TokenKind::Bracketed:
      case TokenKind::Number:
        out += t.text;
        break;
    }
  }
  return out;
}

std::vector<std::string> JetSqlNames(std::string_view jetSql) {
  std::vector<std::string> names;
  for (const Token& t : Tokenize(jetSql)) {
    if (t.kind == TokenKind::Word) names.emplace_back(t.text);
    if (t.kind == TokenKind::Bracketed) names.push_back(t.value);
  }
  return names;
}

namespace {

// Reads "SELECT [ALL] list FROM table WHERE [table.]column = [-]digits [;]" from the solid
// tokens of a query; nothing for any other query.
std::optional<JetKeyLookup> KeyLookupOf(const std::vector<const Token*>& t) {
  std::size_t i = 0;
  auto word = [&](std::string_view w) {
    if (i < t.size() && t[i]->kind == TokenKind::Word && SameWord(t[i]->text, w)) {
      ++i;
      return true;
    }
    return false;
  };
  auto symbol = [&](std::string_view sym) {
    if (i < t.size() && t[i]->kind == TokenKind::Symbol && t[i]->text == sym) {
      ++i;
      return true;
    }
    return false;
  };
  auto name = [&]() -> std::optional<std::string> {
    if (i >= t.size()) return std::nullopt;
    if (t[i]->kind == TokenKind::Bracketed) return t[i++]->value;
    if (t[i]->kind == TokenKind::Word) return std::string(t[i++]->text);
    return std::nullopt;
  };
  if (!word("SELECT")) return std::nullopt;
  word("ALL");
  if (!symbol("*")) {
    do {
      if (!name()) return std::nullopt;
      if (symbol(".") && !name() && !symbol("*")) return std::nullopt;
    } while (symbol(","));
  }
  if (!word("FROM")) return std::nullopt;
  JetKeyLookup lookup;
  const auto table = name();
  if (!table || SameWord(*table, "WHERE")) return std::nullopt;
  lookup.table = *table;
  if (!word("WHERE")) return std::nullopt;
  auto column = name();
  if (!column) return std::nullopt;
  if (symbol(".")) {
    if (!SameWord(*column, lookup.table)) return std::nullopt;
    column = name();
    if (!column) return std::nullopt;
  }
  lookup.column = *column;
  if (!symbol("=")) return std::nullopt;
  const bool negative = symbol("-");
  if (i >= t.size() || t[i]->kind != TokenKind::Number) return std::nullopt;
  const std::string_view digits = t[i++]->text;
  std::uint64_t magnitude = 0;
  const auto r = std::from_chars(digits.data(), digits.data() + digits.size(), magnitude);
  if (r.ec != std::errc() || r.ptr != digits.data() + digits.size() ||
      magnitude > (negative ? std::uint64_t{1} << 63 : (std::uint64_t{1} << 63) - 1)) {
    return std::nullopt;
  }
  lookup.value =
      negative ? static_cast<std::int64_t>(0 - magnitude) : static_cast<std::int64_t>(magnitude);
  symbol(";");
  if (i != t.size()) return std::nullopt;
  return lookup;
}

}  // namespace

JetQueryShape AnalyzeJetSql(std::string_view jetSql) {
  JetQueryShape shape;
  const std::vector<Token> tokens = Tokenize(jetSql);
  std::vector<const Token*> solid;
  for (const Token& t : tokens) {
    if (t.kind == TokenKind::Space) continue;
    solid.push_back(&t);
    if (t.kind == TokenKind::Word) shape.names.emplace_back(t.text);
    if (t.kind == TokenKind::Bracketed) shape.names.push_back(t.value);
    if (t.kind == TokenKind::Symbol && t.text == "*") shape.star = true;
  }
  shape.lookup = KeyLookupOf(solid);
  return shape;
}

}  // namespace orv
