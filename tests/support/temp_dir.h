#pragma once

#include <filesystem>

namespace orv::test {

// A fresh folder under the system's temporary folder, removed with everything in it when the
// object goes. Each test that touches files works in its own.
class TempDir final {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const noexcept { return path_; }
  std::filesystem::path operator/(const std::filesystem::path& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

}  // namespace orv::test
