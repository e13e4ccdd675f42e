#include "base/platform.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include "base/atomic_file.h"
#include "support/temp_dir.h"

namespace orv {
namespace {

TEST(Platform, TheExecutableIsThisTestProgram) {
  const std::filesystem::path exe = ExecutablePath();
  EXPECT_EQ(exe.filename(), "orvantis_base_tests");
  EXPECT_EQ(ExecutableFolder(), exe.parent_path());
}

TEST(Platform, AStartedProcessGetsItsArgumentsEnvironmentAndOutputs) {
  test::TempDir dir;
  const std::filesystem::path outFile = dir / "out.txt";
  const int fd = ::open(outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  ASSERT_GE(fd, 0);
  const StartedProcess p =
      StartProcess({"/bin/sh", "-c",
                    "read line; echo \"[$line] $1 $ORV_TEST_VALUE\"; echo oops >&2", "sh", "arg"},
                   {"ORV_TEST_VALUE=42"}, fd, fd);
  ::close(fd);
  ASSERT_EQ(p.error, 0);
  int status = 0;
  ASSERT_EQ(::waitpid(p.pid, &status, 0), p.pid);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  // Standard input is /dev/null: nothing is read.
  EXPECT_EQ(ReadWholeFile(outFile).value_or(""), "[] arg 42\noops\n");

  const StartedProcess missing = StartProcess({(dir / "none").string()}, {}, 1, 2);
  EXPECT_NE(missing.error, 0);
  EXPECT_EQ(missing.pid, -1);
}

TEST(Platform, LocalTimeIsAPlausibleDate) {
  const std::tm now = LocalTimeNow();
  EXPECT_GE(now.tm_year + 1900, 2024);
  EXPECT_GE(now.tm_mday, 1);
  EXPECT_LE(now.tm_mday, 31);
}

}  // namespace
}  // namespace orv
