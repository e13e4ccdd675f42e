#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/prompter.h"
#include "files/interface_strings.h"

namespace orv {

// The file-name dialog as data: for each kind of file the program asks for, whether the
// platform's dialog opens or saves, its title, its file filter and default extension, how a
// preset name is split, and which chosen paths cannot be used. The window's file dialog shows
// what `FileDialogOf` gives and checks the user's choice with `ChosenPathProblem`.

// One entry of a file filter: the description the user reads ("Orvantis Engine Files
// (*.ov)") and the pattern it stands for ("*.OV"; matched without regard to case).
struct FileFilter {
  std::string description;
  std::string pattern;
  bool operator==(const FileFilter&) const = default;
};

// Everything the file dialog shows for one kind, its texts taken from the interface texts.
struct FileDialogSetup {
  bool save = false;  // a save dialog, otherwise an open dialog
  std::string title;  // empty: the platform's own title
  std::vector<FileFilter> filters;
  std::string defaultExtension;  // without the dot ("OV")

  // The filters in the one-text form "description|pattern|description|pattern".
  std::string FilterText() const;
};

FileDialogSetup FileDialogOf(Prompter::FileKind kind, const InterfaceStrings& strings);

// Where the dialog starts for a preset name: a preset ending in the folder separator presets
// only the folder (the file name stays empty); otherwise its folder and its file name.
struct FileDialogStart {
  std::filesystem::path folder;
  std::string fileName;
  bool operator==(const FileDialogStart&) const = default;
};
FileDialogStart FileDialogStartOf(std::string_view preset);

// The chosen name with the kind's default extension added when its file name has none.
std::string WithDefaultExtension(Prompter::FileKind kind, std::string_view path);

// Whether a chosen path can be used for the kind, after the dialog closed: it must name a file
// (not be empty, not end in a separator, not be "." or ".."), hold no NUL character, lie in an
// existing folder, and not be a folder or any other thing but a regular file; a file to be
// opened must exist. Nothing when it can be used; otherwise the message to show in a box with
// an OK button: the path followed by miscellaneous text 120.
std::optional<std::string> ChosenPathProblem(Prompter::FileKind kind, std::string_view path,
                                             const InterfaceStrings& strings);

}  // namespace orv
