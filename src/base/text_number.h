#pragma once

#include <string_view>

namespace orv {

// Conversions of typed or file text to numbers. They never fail: text that is not a number
// reads as 0. A number is optional blanks, an optional sign, digits with at most one decimal
// separator ("." or ",", whatever the locale), an optional exponent, optional blanks; nothing
// else may be in the text.
double TextToDouble(std::string_view text) noexcept;

// True when the whole text is a number in the form `TextToDouble` reads, so that "0" and "abc",
// which both read as 0, can be told apart.
bool IsNumberText(std::string_view text) noexcept;

// As `TextToDouble`, read as a 32-bit float; a number outside the float range reads as 0.
float TextToSingle(std::string_view text) noexcept;

// Reads the number at the start of the text: leading blanks are skipped and reading stops at the
// first character that does not belong to a number ("12abc" gives 12, "abc" gives 0).
double LeadingNumber(std::string_view text) noexcept;

}  // namespace orv
