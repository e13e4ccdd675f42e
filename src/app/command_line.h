#pragma once

#include <filesystem>
#include <iosfwd>
#include <string>
#include <vector>

#include "reports/report_builder.h"

namespace orv {

class Application;

// `orvantis graph`: what to draw once the engine is prepared.
struct GraphCommandOptions {
  std::vector<int> tags;  // curve codes 1..13 to show; empty: the curves the configuration shows
  double cursor = 0;      // crank angle of the cursor lines (degrees)
  bool cursorGiven = false;
  int width = 1200;  // picture size in pixels
  int height = 800;
  std::string output;  // .png, .bmp, .svg or .pdf
};

// `orvantis print`: the report whose printed pages are written as a PDF file.
struct PrintCommandOptions {
  ReportKind kind = ReportKind::General;
  std::string pageSize = "A4";  // A4 or Letter
  std::string output;           // the PDF file
};

// The commands that draw with the window toolkit are parsed with the others here and carried
// out by the shell, which passes its handlers to `RunCommandLine`. Each is called with the
// application holding the prepared and calculated engine and returns the exit status.
class ShellCommands {
 public:
  virtual ~ShellCommands() = default;
  virtual int Graph(Application& app, const GraphCommandOptions& options, std::ostream& out,
                    std::ostream& err) = 0;
  virtual int Print(Application& app, const PrintCommandOptions& options, std::ostream& out,
                    std::ostream& err) = 0;
};

// Reads a picture size "WIDTHxHEIGHT" in pixels, each 16 to 16384. Returns false, leaving
// `width` and `height` as they were, for anything else.
bool ParsePictureSize(const std::string& text, int& width, int& height);

// Runs the `orvantis` command line (`dump`, ...). Output goes to `out`, messages and errors to
// `err`. Returns the process exit status: 0 on success, non-zero on any error.
int RunCommandLine(int argc, char** argv, std::ostream& out, std::ostream& err);

// As above, with the `orvantis` executable that reads database files in a separate process
// (the program passes its own; tests pass the one the build made).
int RunCommandLine(int argc, char** argv, std::ostream& out, std::ostream& err,
                   const std::filesystem::path& readerExecutable);

// As above, with the shell's handlers of `graph` and `print` (without them these commands fail
// with a message).
int RunCommandLine(int argc, char** argv, std::ostream& out, std::ostream& err,
                   const std::filesystem::path& readerExecutable, ShellCommands* shell);

}  // namespace orv
