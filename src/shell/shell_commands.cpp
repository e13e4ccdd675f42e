#include "shell/shell_commands.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QPageSize>
#include <QPrinter>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <ostream>
#include <string>

#include "app/application.h"
#include "base/error_trace.h"
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

int ShellCommandHandlers::Graph(Application&, const GraphCommandOptions&, std::ostream&,
                                std::ostream& err) {
  MakeApplication();
  err << "orvantis: graph: not available yet\n";
  return 2;
}

namespace {

// A fresh, unused name beside `target` for the PDF being written; the finished file is renamed
// over the target, so a failed print leaves no half-written file.
std::filesystem::path TemporaryPrintFile(const std::filesystem::path& target) {
  std::filesystem::path folder = target.parent_path();
  if (folder.empty()) folder = ".";
  std::string pattern = (folder / ("." + target.filename().string() + ".XXXXXX")).string();
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
