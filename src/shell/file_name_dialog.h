#pragma once

#include <QFileDialog>
#include <QStringList>
#include <memory>
#include <optional>
#include <string>

#include "base/prompter.h"

namespace orv {

class InterfaceStrings;

struct FileDialogSetup;

// The filters of a file dialog in Qt's form "description (patterns)": each pattern in upper
// and lower case, because file names on this system are case-sensitive and the program's own
// files carry their extension in either case.
QStringList QtFileFilters(const FileDialogSetup& setup);

// The file-name dialog: the platform's file dialog set up for one kind of file (open or save,
// its title, its filters, its default extension) with the preset name: a preset that ends in
// the folder separator presets only the folder.
std::unique_ptr<QFileDialog> MakeFileNameDialog(Prompter::FileKind kind, const std::string& preset,
                                                const InterfaceStrings& strings,
                                                QWidget* parent = nullptr);

// What the user chose in the dialog, once it closed: the path with the kind's default
// extension, or nothing when the path cannot be used for the kind, after showing the path and
// miscellaneous text 120 in a box with an OK button (through `prompter`).
std::optional<std::string> AcceptChosenFileName(Prompter::FileKind kind, const std::string& chosen,
                                                const InterfaceStrings& strings,
                                                Prompter& prompter);

// `GetFileName`: shows the dialog modally and gives the chosen full path, or nothing when the
// user cancelled (the caller's name stays as it was) or chose a path that cannot be used.
std::optional<std::string> GetFileName(Prompter::FileKind kind, const std::string& preset,
                                       const InterfaceStrings& strings, Prompter& prompter,
                                       QWidget* parent = nullptr);

}  // namespace orv
