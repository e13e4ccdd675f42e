#include "shell/file_name_dialog.h"

#include <QStringList>

#include "app/file_kinds.h"
#include "base/error_trace.h"
#include "files/interface_strings.h"

namespace orv {

namespace {

// Qt reads a filter's patterns from the parentheses that end it ("Engine Files (*.ov)");
// a description that does not end in its patterns gets them added. Names match regardless of
// case.
QString QtFilter(const FileFilter& filter) {
  QString description = QString::fromStdString(filter.description).trimmed();
  const QString pattern = QString::fromStdString(filter.pattern);
  if (description.endsWith(QLatin1Char(')')) && description.contains(QLatin1Char('('))) {
    return description;
  }
  return description + QStringLiteral(" (") + pattern + QLatin1Char(')');
}

}  // namespace

std::unique_ptr<QFileDialog> MakeFileNameDialog(Prompter::FileKind kind, const std::string& preset,
                                                const InterfaceStrings& strings, QWidget* parent) {
  const FileDialogSpec spec = FileDialogOf(kind, strings);
  auto dialog = std::make_unique<QFileDialog>(parent);
  dialog->setObjectName(QStringLiteral("dlgFileName"));
  dialog->setAcceptMode(spec.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog->setFileMode(spec.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  if (!spec.title.empty()) dialog->setWindowTitle(QString::fromStdString(spec.title));
  QStringList filters;
  for (const FileFilter& filter : spec.filters) filters << QtFilter(filter);
  dialog->setNameFilters(filters);
  dialog->setDefaultSuffix(QString::fromStdString(spec.defaultExtension));
  const FileDialogStart start = FileDialogStartOf(preset);
  if (!start.folder.empty()) dialog->setDirectory(QString::fromStdString(start.folder.string()));
  if (!start.fileName.empty()) dialog->selectFile(QString::fromStdString(start.fileName));
  return dialog;
}

std::optional<std::string> AcceptChosenFileName(Prompter::FileKind kind, const std::string& chosen,
                                                const InterfaceStrings& strings,
                                                Prompter& prompter) {
  const std::string path = WithDefaultExtension(kind, chosen);
  if (const std::optional<std::string> problem = ChosenPathProblem(kind, path, strings)) {
    prompter.Warn(*problem, kAppTitle);
    return std::nullopt;
  }
  return path;
}

std::optional<std::string> GetFileName(Prompter::FileKind kind, const std::string& preset,
                                       const InterfaceStrings& strings, Prompter& prompter,
                                       QWidget* parent) {
  const std::unique_ptr<QFileDialog> dialog = MakeFileNameDialog(kind, preset, strings, parent);
  if (dialog->exec() != QDialog::Accepted) return std::nullopt;
  const QStringList chosen = dialog->selectedFiles();
  if (chosen.isEmpty()) return std::nullopt;
  return AcceptChosenFileName(kind, chosen.front().toStdString(), strings, prompter);
}

}  // namespace orv
