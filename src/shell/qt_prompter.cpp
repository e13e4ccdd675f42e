#include "shell/qt_prompter.h"

#include <QApplication>
#include <QMessageBox>

#include "files/interface_strings.h"
#include "shell/file_name_dialog.h"

namespace orv {

QString MessageText(const std::string& text) {
  QString result = QString::fromStdString(text);
  result.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  result.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return result;
}

QWidget* QtPrompter::BoxParent() const {
  // A box raised while a dialog is open belongs to that dialog: when it closes, the dialog is
  // the active window again and keeps the keyboard.
  if (QWidget* modal = QApplication::activeModalWidget()) return modal;
  return parent_;
}

void QtPrompter::Warn(const std::string& text, const std::string& title) {
  QMessageBox::warning(BoxParent(), QString::fromStdString(title), MessageText(text));
}

void QtPrompter::Inform(const std::string& text, const std::string& title) {
  QMessageBox::information(BoxParent(), QString::fromStdString(title), MessageText(text));
}

Prompter::Answer QtPrompter::AskYesNoCancel(const std::string& text, const std::string& title) {
  const auto button = QMessageBox::question(
      BoxParent(), QString::fromStdString(title), MessageText(text),
      QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes);
  if (button == QMessageBox::Yes) return Answer::Yes;
  if (button == QMessageBox::No) return Answer::No;
  return Answer::Cancel;
}

void QtPrompter::Beep() { QApplication::beep(); }

std::optional<std::string> QtPrompter::AskFileName(FileKind kind, const std::string& preset) {
  const InterfaceStrings fallback;
  return GetFileName(kind, preset, strings_ != nullptr ? *strings_ : fallback, *this, BoxParent());
}

}  // namespace orv
