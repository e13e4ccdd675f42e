#include "shell/shell_commands.h"

#include <unistd.h>

#include <QApplication>
#include <QPageSize>
#include <QPrinter>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <ostream>
#include <string>

#include "app/application.h"
#include "app/graph_model.h"
#include "base/error_trace.h"
#include "shell/command_runner.h"
#include "shell/graph_picture.h"
#include "shell/pdf_file.h"
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

constexpr const char* kShellCommandsModule = "ShellCommands";

// The graph settings of the data root's configuration file (scales, colours, shown curves,
// cursor lines, background, grid), when it has one; the unit system the command chose stays.
void ReadGraphSettings(Application& app) {
  const std::filesystem::path config = app.folders().configFile();
  std::error_code ec;
  if (!std::filesystem::is_regular_file(config, ec)) return;
  Settings read = app.settings();
  // A value the file holds out of range is told (and its default used), as the window does.
  const ConfigResult result =
      ConfigFileIO(config, read, true, true, ConfigDefaults{app.folders(), app.windowBackground()},
                   app.prompter());
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
  std::string message;
  int code = 0;
  const bool ran = RunCommand(
      app, kShellCommandsModule, "Graph",
      [&] {
        app.LoadStrings();
        ReadGraphSettings(app);
        Settings& s = app.EditSettings();
        GraphModel model(app.document().engine(), s, app.strings());
        if (!options.tags.empty()) {
          for (int tag = 1; tag <= kCurveTagCount; ++tag) {
            model.SetTagShown(tag, std::find(options.tags.begin(), options.tags.end(), tag) !=
                                       options.tags.end());
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
          code = 1;
        }
      },
      &message);
  if (!ran) {
    err << "orvantis: graph: " << message << '\n';
    return 1;
  }
  return code;
}

int ShellCommandHandlers::Print(Application& app, const PrintCommandOptions& options, std::ostream&,
                                std::ostream& err) {
  MakeApplication();
  const std::filesystem::path target(options.output);
  std::string failure;
  bool reported = false;  // an error of the engine is already on standard error
  reported = !RunCommand(
      app, "Report", "Print",
      [&] {
        // The printer only sets up the page: the PDF is written whole through the atomic
        // writer.
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setPageSize(options.pageSize == "Letter" ? QPageSize(QPageSize::Letter)
                                                         : QPageSize(QPageSize::A4));
        // As File, Print does it, with every section the report's flags ask for (the command
        // line has no input stages).
        failure = WritePdfFile(printer, target, [&](QPagedPaintDevice& device) {
          return DrawReportPages(app, options.kind, true, app.enginePath(), device);
        });
      },
      &failure);
  if (!failure.empty()) {
    if (!reported) err << "orvantis: print: " << failure << '\n';
    return 1;
  }
  return 0;
}

}  // namespace orv
