#include "base/folder_files.h"

#include <algorithm>
#include <system_error>

#include "base/text.h"

namespace orv {

namespace fs = std::filesystem;

std::string FolderWithSeparator(const fs::path& folder) {
  std::string text = folder.string();
  if (text.empty() || text.back() != fs::path::preferred_separator) {
    text += fs::path::preferred_separator;
  }
  return text;
}

std::vector<std::string> SortedFileNames(const fs::path& folder, std::string* failure) {
  std::vector<std::string> names;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code typeError;
    if (it->is_regular_file(typeError)) names.push_back(it->path().filename().string());
  }
  if (failure) {
    failure->clear();
    if (ec) {
      names.clear();
      *failure = "Cannot read the folder " + folder.string() + " (" + ec.message() + ")";
    }
  }
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    const std::string ua = AsciiUpper(a), ub = AsciiUpper(b);
    return ua != ub ? ua < ub : a < b;
  });
  return names;
}

}  // namespace orv
