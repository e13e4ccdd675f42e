#pragma once

#include <string>
#include <string_view>

namespace orv {

// Trimming and ASCII case helpers for text read from files and typed by the user. The blanks to
// trim are a set of characters, the space alone unless given (the files pad their fields with
// spaces); the case helpers change A-Z and a-z only, whatever the locale, as file names and keys
// are compared.

inline constexpr std::string_view kSpace = " ";

std::string_view TrimLeft(std::string_view text, std::string_view blanks = kSpace) noexcept;
std::string_view TrimRight(std::string_view text, std::string_view blanks = kSpace) noexcept;
std::string_view Trim(std::string_view text, std::string_view blanks = kSpace) noexcept;

char AsciiUpper(char c) noexcept;
char AsciiLower(char c) noexcept;
std::string AsciiUpper(std::string_view text);
std::string AsciiLower(std::string_view text);
// Equal when compared letter by letter with A-Z and a-z alike.
bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) noexcept;
// `text` ends in `tail`, compared as `EqualsIgnoringAsciiCase` does.
bool EndsWithIgnoringAsciiCase(std::string_view text, std::string_view tail) noexcept;

}  // namespace orv
