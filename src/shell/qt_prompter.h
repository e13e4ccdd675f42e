#pragma once

#include <QString>
#include <QStringList>
#include <optional>
#include <string>

#include "app/file_kinds.h"
#include "base/prompter.h"

class QWidget;

namespace orv {

class InterfaceStrings;

// The window's prompter: message boxes over the main window or the dialog open over it, the
// platform's beep and the file dialog of each kind of file the program asks for.
class QtPrompter final : public Prompter {
 public:
  QtPrompter() = default;

  // The window the boxes are shown over (none: centred on the screen).
  void SetParent(QWidget* parent) noexcept { parent_ = parent; }
  // The interface texts of the file dialogs' titles and filters (none: built-in filters only).
  void SetStrings(const InterfaceStrings* strings) noexcept { strings_ = strings; }

  void Warn(const std::string& text, const std::string& title) override;
  void Inform(const std::string& text, const std::string& title) override;
  Answer AskYesNoCancel(const std::string& text, const std::string& title) override;
  void Beep() override;
  std::optional<std::string> AskFileName(FileKind kind, const std::string& preset) override;

  // The window a box or file dialog is shown over: the open modal dialog that raised it, else
  // the main window.
  QWidget* BoxParent() const;

 private:
  QWidget* parent_ = nullptr;
  const InterfaceStrings* strings_ = nullptr;
};

// A message of the core as the text of a box: its CR, LF and CR LF line breaks as one break
// each.
QString MessageText(const std::string& text);

}  // namespace orv
