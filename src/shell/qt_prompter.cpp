#include "shell/qt_prompter.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>

#include "files/interface_strings.h"

namespace orv {

QString MessageText(const std::string& text) {
  QString result = QString::fromStdString(text);
  result.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  result.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return result;
}

QStringList QtFileFilters(const FileDialogSpec& spec) {
  QStringList filters;
  for (const FileFilter& filter : spec.filters) {
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

void QtPrompter::Warn(const std::string& text, const std::string& title) {
  QMessageBox::warning(parent_, QString::fromStdString(title), MessageText(text));
}

void QtPrompter::Inform(const std::string& text, const std::string& title) {
  QMessageBox::information(parent_, QString::fromStdString(title), MessageText(text));
}

Prompter::Answer QtPrompter::AskYesNoCancel(const std::string& text, const std::string& title) {
  const auto button = QMessageBox::question(
      parent_, QString::fromStdString(title), MessageText(text),
      QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes);
  if (button == QMessageBox::Yes) return Answer::Yes;
  if (button == QMessageBox::No) return Answer::No;
  return Answer::Cancel;
}

void QtPrompter::Beep() { QApplication::beep(); }

std::optional<std::string> QtPrompter::AskFileName(FileKind kind, const std::string& preset) {
  const InterfaceStrings fallback;
  const InterfaceStrings& strings = strings_ != nullptr ? *strings_ : fallback;
  const FileDialogSpec spec = FileDialogOf(kind, strings);
  const FileDialogStart start = FileDialogStartOf(preset);
  QFileDialog dialog(parent_, QString::fromStdString(spec.title),
                     QString::fromStdString(start.folder.string()),
                     QtFileFilters(spec).join(QStringLiteral(";;")));
  dialog.setAcceptMode(spec.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(spec.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  // Qt adds the extension before it asks about replacing a file, so the question names the
  // file that is really written.
  dialog.setDefaultSuffix(QString::fromStdString(spec.defaultExtension));
  if (!start.fileName.empty()) dialog.selectFile(QString::fromStdString(start.fileName));
  // The dialog opens again until the user chooses a usable path or cancels.
  for (;;) {
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
      return std::nullopt;
    }
    const std::string path =
        WithDefaultExtension(kind, dialog.selectedFiles().front().toStdString());
    const auto problem = ChosenPathProblem(kind, path, strings);
    if (!problem) return path;
    Warn(*problem, kAppTitle);
  }
}

}  // namespace orv
