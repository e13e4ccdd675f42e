#include "base/atomic_file.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace orv {
namespace {

namespace fs = std::filesystem;

std::size_t FileCount(const fs::path& dir) {
  std::size_t n = 0;
  for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir)) ++n;
  return n;
}

// Runs `work` in a child process whose files may grow to `limitBytes` at most (the signal a
// larger write raises ignored, so that the write fails with EFBIG as on a full disk); returns
// what `work` returned.
std::string UnderFileSizeLimit(rlim_t limitBytes, const std::function<std::string()>& work) {
  int channel[2];
  if (::pipe(channel) != 0) return "no pipe";
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(channel[0]);
    const rlimit limit{limitBytes, limitBytes};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    std::signal(SIGXFSZ, SIG_IGN);
    const std::string result = work();
    const ssize_t written = ::write(channel[1], result.data(), result.size());
    ::_exit(written == static_cast<ssize_t>(result.size()) ? 0 : 1);
  }
  ::close(channel[1]);
  std::string result;
  char buffer[512];
  for (ssize_t n; (n = ::read(channel[0], buffer, sizeof buffer)) > 0;) {
    result.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(channel[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  return result;
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

// A full disk (here a file-size limit): the write fails with the system's reason, the old file
// stays byte for byte and no temporary file is left, whether the content is written at once or
// streamed piece by piece.
TEST(AtomicFile, AFullDiskFailsWithTheReasonAndKeepsTheOldFile) {
  test::TempDir dir;
  const fs::path p = dir / "old.pdf";
  const std::string old(3000, 'o');
  ASSERT_EQ(WriteFileAtomically(p, old), "");
  const std::string whole =
      UnderFileSizeLimit(8192, [&] { return WriteFileAtomically(p, std::string(100000, 'n')); });
  EXPECT_EQ(whole, "write failed: " + std::string(std::strerror(EFBIG)));
  EXPECT_EQ(ReadWholeFile(p).value(), old);
  EXPECT_EQ(FileCount(dir.path()), 1u);

  const std::string streamed = UnderFileSizeLimit(8192, [&] {
    AtomicFileWriter file(p);
    std::ostream out(&file);
    for (int line = 0; line < 20000 && out; ++line) out << "line " << line << '\n';
    const bool failedOnTheWay = !out;
    return std::string(failedOnTheWay ? "stream failed; " : "stream held; ") + file.Commit();
  });
  EXPECT_EQ(streamed, "stream failed; write failed: " + std::string(std::strerror(EFBIG)));
  EXPECT_EQ(ReadWholeFile(p).value(), old);
  EXPECT_EQ(FileCount(dir.path()), 1u);

  // Under the limit the same stream is written whole.
  const std::string fits = UnderFileSizeLimit(1 << 20, [&] {
    AtomicFileWriter file(p);
    std::ostream out(&file);
    for (int line = 0; line < 20000; ++line) out << "line " << line << '\n';
    return file.Commit();
  });
  EXPECT_EQ(fits, "");
  const std::string written = ReadWholeFile(p).value();
  EXPECT_EQ(written.substr(0, 14), "line 0\nline 1\n");
  EXPECT_EQ(written.size(), 10 * 7 + 90 * 8 + 900 * 9 + 9000 * 10 + 10000 * 11u);
}

// A path that exists and is not a regular file is never replaced: a folder, a named pipe, a
// device (reached through a link, so that a failure of the check could only replace the link)
// and a socket. Nothing is opened, and no temporary file is left.
TEST(AtomicFile, PathsThatAreNotRegularFilesAreRefusedAndKept) {
  test::TempDir dir;
  fs::create_directory(dir / "folder.csv");
  ASSERT_EQ(::mkfifo((dir / "pipe.csv").c_str(), 0600), 0);
  fs::create_symlink("/dev/null", dir / "null.csv");
  const fs::path socketPath = dir / "socket.csv";
  const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  ASSERT_LT(socketPath.string().size(), sizeof address.sun_path);
  std::strcpy(address.sun_path, socketPath.c_str());
  ASSERT_EQ(::bind(sock, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
  struct Row {
    const char* name;
    const char* reason;
    fs::file_type type;
  };
  const std::vector<Row> rows = {
      {"folder.csv", "it is a folder, not a regular file", fs::file_type::directory},
      {"pipe.csv", "it is a named pipe, not a regular file", fs::file_type::fifo},
      {"null.csv", "it is a device, not a regular file", fs::file_type::character},
      {"socket.csv", "it is a socket, not a regular file", fs::file_type::socket},
  };
  for (const Row& row : rows) {
    const fs::path p = dir / row.name;
    EXPECT_EQ(WhyNotReplaceable(p), row.reason) << row.name;
    EXPECT_EQ(WriteFileAtomically(p, "x"), row.reason) << row.name;
    AtomicFileWriter file(p);
    EXPECT_EQ(file.failure(), row.reason) << row.name;
    EXPECT_FALSE(file.Write("x"));
    EXPECT_EQ(file.Commit(), row.reason) << row.name;
    EXPECT_EQ(fs::status(p).type(), row.type) << row.name;
  }
  EXPECT_TRUE(fs::is_symlink(dir / "null.csv"));
  ::close(sock);
  EXPECT_EQ(FileCount(dir.path()), rows.size());
  // A link to a regular file, and a path not there yet, may be written.
  EXPECT_EQ(WhyNotReplaceable(dir / "new.csv"), "");
}

// A target that turns into something else while the file is written is not replaced either.
TEST(AtomicFile, TheTargetIsCheckedAgainBeforeTheRename) {
  test::TempDir dir;
  const fs::path p = dir / "out.csv";
  AtomicFileWriter file(p);
  ASSERT_EQ(file.failure(), "");
  EXPECT_TRUE(file.Write("data"));
  ASSERT_EQ(::mkfifo(p.c_str(), 0600), 0);
  EXPECT_EQ(file.Commit(), "it is a named pipe, not a regular file");
  EXPECT_TRUE(fs::is_fifo(p));
  EXPECT_EQ(FileCount(dir.path()), 1u);
}

// Writers of one file at the same time each have a temporary file of their own: each file put
// in place is one writer's whole content, never a mixture, and nothing is left over.
TEST(AtomicFile, WritersAtTheSameTimeEachWriteWhole) {
  test::TempDir dir;
  const fs::path p = dir / "sweep.csv";
  AtomicFileWriter first(p), second(p);
  std::ostream a(&first), b(&second);
  for (int i = 0; i < 50000; ++i) {
    a << "first " << i << '\n';
    b << "second " << i << '\n';
  }
  EXPECT_EQ(FileCount(dir.path()), 2u);  // the two temporary files
  EXPECT_EQ(second.Commit(), "");
  const std::string fromSecond = ReadWholeFile(p).value();
  EXPECT_EQ(first.Commit(), "");
  const std::string fromFirst = ReadWholeFile(p).value();
  EXPECT_EQ(fromSecond.substr(0, 9), "second 0\n");
  EXPECT_EQ(fromSecond.find("first"), std::string::npos);
  EXPECT_EQ(fromFirst.substr(0, 8), "first 0\n");
  EXPECT_EQ(fromFirst.find("second"), std::string::npos);
  EXPECT_EQ(fromFirst.substr(fromFirst.size() - 12), "first 49999\n");
  EXPECT_EQ(FileCount(dir.path()), 1u);
  // A writer given up before its commit leaves nothing behind.
  {
    AtomicFileWriter abandoned(dir / "other.csv");
    EXPECT_TRUE(abandoned.Write("x"));
  }
  EXPECT_EQ(FileCount(dir.path()), 1u);
  EXPECT_EQ(ReadWholeFile(p).value(), fromFirst);
}

}  // namespace
}  // namespace orv
