#include "base/atomic_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "support/temp_dir.h"

namespace orv {
namespace {

namespace fs = std::filesystem;

std::size_t FileCount(const fs::path& dir) {
  std::size_t n = 0;
  for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir)) ++n;
  return n;
}

TEST(AtomicFile, ReplacesTheWholeFile) {
  test::TempDir dir;
  const fs::path p = dir / "engine.OV";
  ASSERT_EQ(WriteFileAtomically(p, "first version, longer"), "");
  ASSERT_EQ(WriteFileAtomically(p, "second"), "");
  EXPECT_EQ(ReadWholeFile(p).value(), "second");
  EXPECT_EQ(FileCount(dir.path()), 1u);  // no temporary file left behind
}

TEST(AtomicFile, UnwritableFolderLeavesTheOldFileByteForByte) {
  if (::geteuid() == 0) GTEST_SKIP() << "folder permissions do not bind root";
  test::TempDir dir;
  const fs::path p = dir / "engine.OV";
  ASSERT_EQ(WriteFileAtomically(p, "kept"), "");
  ::chmod(dir.path().c_str(), 0555);
  EXPECT_NE(WriteFileAtomically(p, "lost"), "");
  ::chmod(dir.path().c_str(), 0755);
  EXPECT_EQ(ReadWholeFile(p).value(), "kept");
  EXPECT_EQ(FileCount(dir.path()), 1u);
}

TEST(AtomicFile, ReadOnlyFileIsNotReplacedEvenWhereRenameWouldWork) {
  test::TempDir dir;
  const fs::path p = dir / "readonly.OV";
  ASSERT_EQ(WriteFileAtomically(p, "kept"), "");
  fs::permissions(p, fs::perms::owner_read | fs::perms::group_read);
  EXPECT_NE(WriteFileAtomically(p, "lost"), "");
  EXPECT_EQ(ReadWholeFile(p).value(), "kept");
}

TEST(AtomicFile, MissingFolderFails) {
  test::TempDir dir;
  EXPECT_NE(WriteFileAtomically(dir / "no" / "such" / "file.OV", "x"), "");
  EXPECT_FALSE(ReadWholeFile(dir / "nothing").has_value());
  EXPECT_FALSE(ReadWholeFile(dir.path()).has_value());
}

}  // namespace
}  // namespace orv
