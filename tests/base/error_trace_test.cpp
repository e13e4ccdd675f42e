#include "base/error_trace.h"

#include <gtest/gtest.h>

#include "base/runtime_error.h"

namespace orv {
namespace {

void WriteTextFile() {
  ETracker guard("FileMisc", "WriteTextFile");
  Raise(53);
}

void Middle() {
  ETracker guard("FileIO", "SaveIt");
  WriteTextFile();
}

std::string MenuCommand(void (*body)()) {
  ETracker guard("frmMain", "mnuFileSave_Click");
  try {
    body();
  } catch (...) {
    return EStackTrace::Instance().ReportCurrentException(guard);
  }
  return {};
}

TEST(ErrorTrace, ListsTheChainInnermostFirstWithGrowingIndent) {
  const std::string msg = MenuCommand(Middle);
  EXPECT_EQ(msg,
            "Error (53)    File not found\r\n\r\nERROR TRACE:"
            "\r\n   FileMisc/WriteTextFile"
            "\r\n      FileIO/SaveIt"
            "\r\n         frmMain/mnuFileSave_Click");
  EXPECT_TRUE(EStackTrace::Instance().Trace().empty());
}

TEST(ErrorTrace, ErrorRaisedInTheHandlerGivesOneLine) {
  const std::string msg = MenuCommand([] { Raise(kErrOverflow); });
  EXPECT_EQ(msg, "Error (6)    Overflow\r\n\r\nERROR TRACE:\r\n   frmMain/mnuFileSave_Click");
}

TEST(ErrorTrace, SecondReportShowsOnlyTheSecondChain) {
  MenuCommand(Middle);
  const std::string msg = MenuCommand(WriteTextFile);
  EXPECT_EQ(msg,
            "Error (53)    File not found\r\n\r\nERROR TRACE:\r\n   FileMisc/WriteTextFile"
            "\r\n      frmMain/mnuFileSave_Click");
}

// A reader that handles its own errors: it turns them into a code and reports nothing.
int QuietReader() {
  ETracker guard("FileIO", "QuietReader");
  try {
    Middle();
  } catch (const RuntimeError&) {
    return -1;
  }
  return 0;
}

TEST(ErrorTrace, AnErrorHandledWithoutAReportLeavesNothingForTheNext) {
  EXPECT_EQ(QuietReader(), -1);
  EXPECT_TRUE(EStackTrace::Instance().Trace().empty());
  // The handled error's lines are gone: only the next error's chain is reported, also when it
  // is raised at once by the procedure that called the reader.
  const std::string msg = MenuCommand([] {
    QuietReader();
    Raise(kErrOverflow);
  });
  EXPECT_EQ(msg, "Error (6)    Overflow\r\n\r\nERROR TRACE:\r\n   frmMain/mnuFileSave_Click");
}

TEST(ErrorTrace, MakingAnErrorWritesNothingIntoTheTrace) {
  const RuntimeError made(kErrDivByZero);  // made, not thrown
  EXPECT_TRUE(EStackTrace::Instance().Trace().empty());
  const std::string msg = MenuCommand(WriteTextFile);
  EXPECT_EQ(msg.rfind("Error (53)    File not found", 0), 0u) << msg;
}

TEST(ErrorTrace, NormalReturnAddsNothing) {
  { ETracker guard("Declares", "Main"); }
  EXPECT_TRUE(EStackTrace::Instance().Trace().empty());
}

TEST(ErrorTrace, ForeignExceptionIsReportedAsInternalError) {
  const std::string msg = MenuCommand([] { throw std::logic_error("broken"); });
  EXPECT_EQ(msg.rfind("Error (51)    Internal error: broken", 0), 0u) << msg;
}

}  // namespace
}  // namespace orv
