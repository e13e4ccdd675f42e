#include "support/cam_text_writer.h"

#include <cstdio>
#include <fstream>
#include <stdexcept>

namespace orv::test {

std::string Decimal(double value, int decimals) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
  return buffer;
}

std::string S96Text(const std::vector<double>& values, int decimals,
                    const std::vector<std::string>& leading, const std::string& trailing) {
  std::string text;
  for (const std::string& line : leading) text += line + "\r\n";
  for (double v : values) text += Decimal(v, decimals) + "\r\n";
  return text + trailing;
}

std::string CamDocText(const std::vector<std::pair<double, double>>& rows, int decimals,
                       const std::vector<std::string>& leading) {
  std::string text;
  for (const std::string& line : leading) text += line + "\r\n";
  for (const auto& [exhaust, intake] : rows) {
    text += Decimal(exhaust, decimals) + "," + Decimal(intake, decimals) + "\r\n";
  }
  return text;
}

void WriteTextFile(const std::filesystem::path& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out.write(text.data(), static_cast<std::streamsize>(text.size()));
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

}  // namespace orv::test
