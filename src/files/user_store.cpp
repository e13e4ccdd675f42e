#include "files/user_store.h"

#include <cstdlib>
#include <system_error>

#include "base/text.h"
#include "files/profile_store.h"

namespace orv {

namespace fs = std::filesystem;

namespace {

std::string TextValue(std::string_view text) {
  const std::size_t nul = text.find('\0');
  if (nul != std::string_view::npos) text = text.substr(0, nul);
  return std::string(TrimRight(text));
}

}  // namespace

fs::path UserStore::DefaultPath() {
  fs::path base;
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg != nullptr && *xdg != '\0') {
    base = xdg;
  } else {
    const char* home = std::getenv("HOME");
    base = fs::path(home != nullptr && *home != '\0' ? home : ".") / ".config";
  }
  return base / "Orvantis" / "Orvantis.ini";
}

std::string UserStore::RegReadValue(std::string_view name, std::string_view defaultValue) const {
  ProfileStore store;
  if (!store.Load(file_)) return std::string(defaultValue);
  const auto rows =
      KeyedFile::ParseSection(store.FetchSection(kUserStoreSection, ProfileStore::kWholeSection));
  for (const auto& [key, value] : rows) {
    if (key == name) return TextValue(value);
  }
  return std::string(defaultValue);
}

int UserStore::RegWriteText(std::string_view name, std::string_view text) {
  return WriteValues({{std::string(name), std::string(text)}});
}

RecentFiles UserStore::ReadRecentFiles() const {
  RecentFiles list;
  for (std::size_t k = 0; k < list.size(); ++k) {
    list[k] = RegReadValue("File" + std::to_string(k + 1), "");
  }
  return list;
}

int UserStore::WriteExitValues(const RecentFiles& list, const std::string& projectFile) {
  std::vector<std::pair<std::string, std::string>> values;
  for (std::size_t k = 0; k < list.size(); ++k) {
    values.emplace_back("File" + std::to_string(k + 1), list[k]);
  }
  values.emplace_back(kProjectFileValue, projectFile);
  return WriteValues(values);
}

int UserStore::WriteValues(const std::vector<std::pair<std::string, std::string>>& values) {
  std::error_code ec;
  fs::create_directories(file_.parent_path(), ec);
  ProfileStore store;
  store.Load(file_);
  auto rows =
      KeyedFile::ParseSection(store.FetchSection(kUserStoreSection, ProfileStore::kWholeSection));
  for (const auto& [name, text] : values) {
    std::string clean = text;
    for (char& c : clean) {
      if (c == '\r' || c == '\n' || c == '\0') c = ' ';
    }
    bool found = false;
    for (auto& row : rows) {
      if (row.first == name) {
        row.second = clean;
        found = true;
        break;
      }
    }
    if (!found) rows.emplace_back(name, clean);
  }
  std::string entries;
  for (const auto& [key, value] : rows) {
    entries += key;
    entries += " = ";
    entries += value;
    entries += '\0';
  }
  entries += '\0';
  store.ReplaceSection(kUserStoreSection, entries);
  return store.Save(file_).empty() ? 0 : 1;
}

}  // namespace orv
