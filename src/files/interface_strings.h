#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace orv {

inline constexpr const char* kInterfaceStringFile = "OV-STR.TXT";

// The interface texts: every caption, label, unit, help text and message the user reads, from
// the interface string file, in eight tables read by index. Unfilled slots are empty, and an
// index outside a table's range reads as empty text too.
//
// Table ranges: help -1..70, labels 0..69, output labels 0..69, units 0..22, miscellaneous
// 1..146, menus 1..4 x 0..4 (column 0 the menu title), tabs 1..5 x 1..4, items 0..4 x 1..6.
class InterfaceStrings final {
 public:
  enum class Table { Help, Label, OutLabel, Unit, Misc, Menu, Tab, Item };

  InterfaceStrings();

  const std::string& Help(int i) const noexcept { return One(help_, i, kHelpLo); }
  const std::string& Label(int i) const noexcept { return One(label_, i, 0); }
  const std::string& OutLabel(int i) const noexcept { return One(outLabel_, i, 0); }
  const std::string& Unit(int i) const noexcept { return One(unit_, i, 0); }
  const std::string& Misc(int i) const noexcept { return One(misc_, i, kMiscLo); }
  const std::string& Menu(int n, int m) const noexcept { return Two(menu_, n, m, 1, 0, 5); }
  const std::string& Tab(int n, int m) const noexcept { return Two(tab_, n, m, 1, 1, 4); }
  const std::string& Item(int n, int m) const noexcept { return Two(item_, n, m, 0, 1, 6); }

  // The text of a slot by table; `m` is used by the two-index tables only.
  const std::string& Text(Table table, int n, int m = 0) const noexcept;

  // Parses the text of an interface string file (8-bit, CR LF line ends) into the tables,
  // replacing what they held. Texts are converted from Windows-1252 to UTF-8.
  void Parse(std::string_view file);

  static constexpr int kHelpLo = -1, kHelpHi = 70;
  static constexpr int kLabelHi = 69, kOutLabelHi = 69, kUnitHi = 22;
  static constexpr int kMiscLo = 1, kMiscHi = 146;

 private:
  static const std::string& One(const std::vector<std::string>& t, int i, int lo) noexcept;
  static const std::string& Two(const std::vector<std::string>& t, int n, int m, int rowLo,
                                int colLo, int cols) noexcept;

  std::vector<std::string> help_, label_, outLabel_, unit_, misc_, menu_, tab_, item_;
};

// Reads the interface string file at `path` into `strings`. A missing or unreadable file
// raises run-time error 53 "File not found".
void LoadInterfaceStrings(const std::filesystem::path& path, InterfaceStrings& strings);

}  // namespace orv
