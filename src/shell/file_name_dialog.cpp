#include "shell/file_name_dialog.h"

#include <QStringList>

#include "app/file_kinds.h"
#include "base/error_trace.h"
#include "files/interface_strings.h"

namespace orv {

QStringList QtFileFilters(const FileDialogSetup& setup) {
  QStringList filters;
  for (const FileFilter& filter : setup.filters) {
    QString description = QString::fromStdString(filter.description);
    // The description names its pattern in parentheses for the reader; Qt reads the patterns
    // from the last parentheses, so they are replaced by the patterns Qt matches.
    const qsizetype open = description.lastIndexOf(QLatin1Char('('));
    if (open > 0 && description.endsWith(QLatin1Char(')'))) {
      description = description.left(open).trimmed();
    }
    const QString pattern = QString::fromStdString(filter.pattern);
    QStringList patterns{pattern};
    if (pattern == QStringLiteral("*.*")) {
      patterns = {QStringLiteral("*")};
    } else {
      for (const QString& other : {pattern.toUpper(), pattern.toLower()}) {
        if (!patterns.contains(other)) patterns.push_back(other);
      }
    }
    filters.push_back(description + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) +
                      QLatin1Char(')'));
  }
  return filters;
}

std::unique_ptr<QFileDialog> MakeFileNameDialog(Prompter::FileKind kind, const std::string& preset,
                                                const InterfaceStrings& strings, QWidget* parent) {
  const FileDialogSetup setup = FileDialogOf(kind, strings);
  auto dialog = std::make_unique<QFileDialog>(parent);
  dialog->setObjectName(QStringLiteral("dlgFileName"));
  dialog->setAcceptMode(setup.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog->setFileMode(setup.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  if (!setup.title.empty()) dialog->setWindowTitle(QString::fromStdString(setup.title));
  dialog->setNameFilters(QtFileFilters(setup));
  dialog->setDefaultSuffix(QString::fromStdString(setup.defaultExtension));
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
