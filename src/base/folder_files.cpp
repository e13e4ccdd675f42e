#include "base/folder_files.h"

#include <algorithm>
#include <cctype>
#include <system_error>

namespace orv {

namespace fs = std::filesystem;

std::string UpperAscii(std::string_view text) {
  std::string upper(text);
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return upper;
}

std::vector<std::string> SortedFileNames(const fs::path& folder) {
  std::vector<std::string> names;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code typeError;
    if (it->is_regular_file(typeError)) names.push_back(it->path().filename().string());
  }
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    const std::string ua = UpperAscii(a), ub = UpperAscii(b);
    return ua != ub ? ua < ub : a < b;
  });
  return names;
}

}  // namespace orv
