#pragma once

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace orv::test {

// Our own writers of the plain-text lift files of cam-measuring machines: S96 files (one value
// per line) and cam documents ("exhaust,intake" per line). Every line ends with CR LF.

// A number with a fixed count of decimals ("0.4000").
std::string Decimal(double value, int decimals);

// An S96 file: the values, one per line, after the `leading` lines and followed by `trailing`
// (text after the last line end).
std::string S96Text(const std::vector<double>& values, int decimals = 4,
                    const std::vector<std::string>& leading = {}, const std::string& trailing = "");

// A cam document: one line "exhaust,intake" per row.
std::string CamDocText(const std::vector<std::pair<double, double>>& rows, int decimals = 4,
                       const std::vector<std::string>& leading = {});

// Writes text as a file, byte for byte.
void WriteTextFile(const std::filesystem::path& path, const std::string& text);

}  // namespace orv::test
