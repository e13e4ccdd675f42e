#include "app/file_kinds.h"

#include <system_error>

#include "files/interface_text_ids.h"

namespace orv {

namespace fs = std::filesystem;

namespace {

// The filter of every file kind: the description text (a miscellaneous text) followed by the
// fixed rest of the description and the pattern, then an optional "All Files" entry.
struct FileKindRow {
  Prompter::FileKind kind;
  bool save;
  int titleText;             // 0: no title of our own
  const char* builtInTitle;  // the title of a kind the interface texts have none for
  int descriptionText;
  const char* descriptionTail;
  const char* pattern;
  bool allFiles;
  const char* defaultExtension;
};

constexpr FileKindRow kRows[] = {
    {Prompter::FileKind::SaveEngine, true, kMiscSaveEngineTitle, nullptr, kMiscEngineFiles,
     " (*.ov)", "*.OV", false, "OV"},
    {Prompter::FileKind::SaveEngineAs, true, kMiscSaveEngineTitle, nullptr, kMiscEngineFiles,
     " (*.ov)", "*.OV", false, "OV"},
    {Prompter::FileKind::OpenEngine, false, kMiscOpenEngineTitle, nullptr, kMiscEngineFiles,
     " (*.ov)", "*.OV", false, "OV"},
    {Prompter::FileKind::SaveReport, true, 0, nullptr, kMiscReportFiles, " (*.txt)", "*.txt", true,
     "TXT"},
    {Prompter::FileKind::OpenProject, false, 0, nullptr, kMiscProjectFiles, " (*.prj)", "*.prj",
     false, "PRJ"},
    {Prompter::FileKind::SaveProject, false, 0, nullptr, kMiscProjectFiles, " (*.prj)", "*.prj",
     false, "PRJ"},
    {Prompter::FileKind::OpenDatabase, false, 0, nullptr, kMiscDatabaseFiles, " (*.mdb)", "*.mdb",
     false, "MDB"},
    {Prompter::FileKind::SaveGraph, true, 0, nullptr, kMiscPictureFiles, " (*.bmp)", "*.bmp", true,
     "BMP"},
    {Prompter::FileKind::CompareEngine, false, 0, "Compare With", kMiscEngineFiles, " (*.ov)",
     "*.OV", false, "OV"},
};

constexpr const char* kAllFilesDescription = "All Files (*.*)";
constexpr const char* kAllFilesPattern = "*.*";

const FileKindRow& RowOf(Prompter::FileKind kind) {
  for (const FileKindRow& row : kRows) {
    if (row.kind == kind) return row;
  }
  return kRows[0];
}

bool IsSeparator(char c) { return c == '/' || c == fs::path::preferred_separator; }

}  // namespace

std::string FileDialogSetup::FilterText() const {
  std::string text;
  for (const FileFilter& f : filters) {
    if (!text.empty()) text += '|';
    text += f.description;
    text += '|';
    text += f.pattern;
  }
  return text;
}

FileDialogSetup FileDialogOf(Prompter::FileKind kind, const InterfaceStrings& strings) {
  const FileKindRow& row = RowOf(kind);
  FileDialogSetup dialog;
  dialog.save = row.save;
  if (row.titleText != 0) dialog.title = strings.Misc(row.titleText);
  if (row.builtInTitle != nullptr) dialog.title = row.builtInTitle;
  dialog.filters.push_back({strings.Misc(row.descriptionText) + row.descriptionTail, row.pattern});
  if (row.allFiles) dialog.filters.push_back({kAllFilesDescription, kAllFilesPattern});
  dialog.defaultExtension = row.defaultExtension;
  return dialog;
}

FileDialogStart FileDialogStartOf(std::string_view preset) {
  if (preset.empty()) return {};
  if (IsSeparator(preset.back())) return {fs::path(preset), {}};
  std::size_t cut = preset.size();
  while (cut > 0 && !IsSeparator(preset[cut - 1])) --cut;
  return {fs::path(preset.substr(0, cut)), std::string(preset.substr(cut))};
}

std::string WithDefaultExtension(Prompter::FileKind kind, std::string_view path) {
  const FileDialogStart parts = FileDialogStartOf(path);
  std::string chosen(path);
  if (parts.fileName.empty()) return chosen;
  // A dot that only begins the name (".profile") is no extension.
  const std::size_t dot = parts.fileName.rfind('.');
  if (dot == std::string::npos || dot == 0) {
    chosen += '.';
    chosen += RowOf(kind).defaultExtension;
  }
  return chosen;
}

std::optional<std::string> ChosenPathProblem(Prompter::FileKind kind, std::string_view path,
                                             const InterfaceStrings& strings) {
  auto problem = [&] { return std::string(path) + strings.Misc(kMiscBadPath); };
  const FileDialogStart parts = FileDialogStartOf(path);
  if (parts.fileName.empty() || parts.fileName == "." || parts.fileName == ".." ||
      path.find('\0') != std::string_view::npos) {
    return problem();
  }
  std::error_code ec;
  const fs::path folder = parts.folder.empty() ? fs::current_path(ec) : parts.folder;
  if (ec || !fs::is_directory(folder, ec)) return problem();
  const fs::file_status status = fs::status(fs::path(path), ec);
  if (fs::exists(status)) {
    if (!fs::is_regular_file(status)) return problem();
  } else if (!RowOf(kind).save) {
    return problem();
  }
  return std::nullopt;
}

}  // namespace orv
