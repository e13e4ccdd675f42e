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

TEST(AtomicFile, ReadingRefusesNamedPipesAndLargeFilesWithoutBlocking) {
  test::TempDir dir;
  const fs::path pipe = dir / "test.SY";
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  std::string reason;
  // A named pipe without a writer would block a plain open forever.
  EXPECT_LT(OpenRegularFile(pipe, &reason), 0);
  EXPECT_NE(reason.find("test.SY"), std::string::npos);
  EXPECT_FALSE(ReadWholeFile(pipe).has_value());
  reason.clear();
  EXPECT_FALSE(ReadWholeFile(dir.path(), &reason).has_value());
  EXPECT_NE(reason.find("folder"), std::string::npos);

  const fs::path p = dir / "ten.txt";
  ASSERT_EQ(WriteFileAtomically(p, "0123456789"), "");
  EXPECT_EQ(ReadWholeFile(p, nullptr, 10).value(), "0123456789");
  reason.clear();
  EXPECT_FALSE(ReadWholeFile(p, &reason, 9).has_value());
  EXPECT_NE(reason.find("too large"), std::string::npos);
}

}  // namespace
}  // namespace orv
