#include "support/temp_dir.h"

#include <cstdlib>
#include <string>
#include <vector>

namespace orv::test {

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "orvantis-test-XXXXXX").string();
  std::vector<char> buf(pattern.begin(), pattern.end());
  buf.push_back('\0');
  if (::mkdtemp(buf.data()) == nullptr) std::abort();
  path_ = buf.data();
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, ec);
  std::filesystem::remove_all(path_, ec);
}

}  // namespace orv::test
