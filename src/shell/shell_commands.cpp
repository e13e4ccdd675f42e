#include "shell/shell_commands.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QPageSize>
#include <QPrinter>
#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <ostream>
#include <string>

#include "app/application.h"
#include "app/graph_model.h"
#include "base/error_trace.h"
#include "shell/graph_picture.h"
#include "shell/report_printer.h"

namespace orv {

ShellCommandHandlers::ShellCommandHandlers(int argc, char** argv) : argc_(argc), argv_(argv) {}

ShellCommandHandlers::~ShellCommandHandlers() = default;

void ShellCommandHandlers::MakeApplication() {
  if (QApplication::instance() != nullptr) return;
  // Drawing into files needs no screen: without a display Qt's offscreen platform is used.
  const bool display =
      std::getenv("DISPLAY") != nullptr || std::getenv("WAYLAND_DISPLAY") != nullptr;
  if (!display && std::getenv("QT_QPA_PLATFORM") == nullptr) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
  }
  application_ = std::make_unique<QApplication>(argc_, argv_);
}

namespace {

constexpr const char* kModule = "ShellCommands";

// The graph settings of the data root's configuration file (scales, colours, shown curves,
// cursor lines, background, grid), when it has one; the unit system the command chose stays.
void ReadGraphSettings(Application& app) {
  const std::filesystem::path config = app.folders().configFile();
  std::error_code ec;
  if (!std::filesystem::is_regular_file(config, ec)) return;
  Settings read = app.settings();
  SilentPrompter quiet;
  const ConfigResult result = ConfigFileIO(
      config, read, true, true, ConfigDefaults{app.folders(), app.windowBackground()}, quiet);
  if (!result.ok || !result.headerValid) return;
  Settings& s = app.EditSettings();
  read.unitSystem = s.unitSystem;
  s = read;
}

}  // namespace

int ShellCommandHandlers::Graph(Application& app, const GraphCommandOptions& options, std::ostream&,
                                std::ostream& err) {
  const std::optional<PictureFormat> format = PictureFormatOf(options.output);
  if (!format) {
    err << "orvantis: graph: cannot write \"" << options.output
        << "\": the picture's name must end in one of " << kPictureFormatList << '\n';
    return 1;
  }
  MakeApplication();
  ETracker guard(kModule, "Graph");
  try {
    app.LoadStrings();
    ReadGraphSettings(app);
    Settings& s = app.EditSettings();
    GraphModel model(app.document().engine(), s, app.strings());
    if (!options.tags.empty()) {
      for (int tag = 1; tag <= kCurveTagCount; ++tag) {
        model.SetTagShown(
            tag, std::find(options.tags.begin(), options.tags.end(), tag) != options.tags.end());
      }
    } else {
      bool any = false;
      for (int tag = 1; tag <= kCurveTagCount; ++tag) any = any || model.TagShown(tag);
      // A configuration that shows no curve would give an empty picture: all are drawn.
      if (!any) {
        for (int tag = 1; tag <= kCurveTagCount; ++tag) model.SetTagShown(tag, true);
      }
    }
    if (options.cursorGiven) {
      // One cursor line at the angle: the four lines on it, the legend read there.
      const auto at = static_cast<float>(options.cursor);
      model.CursorLinesChanged({at, at, at, at}, false);
      s.cursorLinesShown = true;
    }
    const std::string why =
        WriteGraphPicture(model, options.output, *format, options.width, options.height);
    if (!why.empty()) {
      err << "orvantis: graph: " << why << '\n';
      return 1;
    }
  } catch (...) {
    const std::string message = app.ReportError(guard);
    err << "orvantis: graph: " << message << '\n';
    return 1;
  }
  return 0;
}

namespace {

// A fresh, unused name beside `target` for the PDF being written; the finished file is renamed
// over the target, so a failed print leaves no half-written file.
std::filesystem::path TemporaryPrintFile(const std::filesystem::path& target) {
  std::filesystem::path folder = target.parent_path();
  if (folder.empty()) folder = ".";
  // Appended piece by piece: GCC 12 at -O3 warns (falsely) about "literal" + temporary string.
  std::string name = ".";
  name += target.filename().string();
  name += ".XXXXXX";
  std::string pattern = (folder / name).string();
  const int fd = ::mkstemp(pattern.data());
  if (fd < 0) return {};
  // The finished file gets the permissions a newly made file has, not the temporary's own.
  const mode_t mask = ::umask(0);
  ::umask(mask);
  ::fchmod(fd, 0666 & ~mask);
  ::close(fd);
  return pattern;
}

}  // namespace

int ShellCommandHandlers::Print(Application& app, const PrintCommandOptions& options, std::ostream&,
                                std::ostream& err) {
  MakeApplication();
  namespace fs = std::filesystem;
  const fs::path target(options.output);
  const fs::path temporary = TemporaryPrintFile(target);
  if (temporary.empty()) {
    err << "orvantis: cannot write " << target.string() << ": " << std::strerror(errno) << '\n';
    return 1;
  }
  std::string failure;
  bool reported = false;  // an error of the engine is already on standard error
  {
    ETracker guard("Report", "Print");
    try {
      QPrinter printer(QPrinter::HighResolution);
      printer.setOutputFormat(QPrinter::PdfFormat);
      printer.setPageSize(options.pageSize == "Letter" ? QPageSize(QPageSize::Letter)
                                                       : QPageSize(QPageSize::A4));
      printer.setOutputFileName(QString::fromStdString(temporary.string()));
      // As File, Print does it, with every section the report's flags ask for (the command
      // line has no input stages).
      failure = PrintReportOn(app, options.kind, true, app.enginePath(), printer);
    } catch (...) {
      failure = app.ReportError(guard);
      reported = true;
    }
  }
  std::error_code ec;
  if (failure.empty()) {
    fs::rename(temporary, target, ec);
    if (ec) failure = "cannot write " + target.string() + ": " + ec.message();
  }
  if (!failure.empty()) {
    fs::remove(temporary, ec);
    if (!reported) err << "orvantis: print: " << failure << '\n';
    return 1;
  }
  return 0;
}

}  // namespace orv
