#pragma once

#include <QColor>
#include <QString>
#include <cstdint>
#include <string>

namespace orv {

// The core's texts are UTF-8 `std::string`s; the widgets take `QString`s.
inline QString ToQString(const std::string& text) { return QString::fromStdString(text); }

// The core keeps colours as RGB numbers with red in the low byte, as the configuration file
// writes them.
inline QColor ColourOf(std::int32_t rgb) {
  return QColor(rgb & 0xFF, (rgb >> 8) & 0xFF, (rgb >> 16) & 0xFF);
}
inline std::int32_t RgbOf(const QColor& colour) {
  return colour.red() | (colour.green() << 8) | (colour.blue() << 16);
}

}  // namespace orv
