#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace orv {

// The names of the regular files of a folder (links to regular files included), in the order
// of their upper-cased names, names equal but for case in byte order. A folder that cannot be
// read has none, and `failure` (when given) is set to why, naming the folder; it is cleared when
// the folder was read. This is the order the file lists of the selection dialogs show.
std::vector<std::string> SortedFileNames(const std::filesystem::path& folder,
                                         std::string* failure = nullptr);

// A folder as the file dialogs and the configuration file keep it: its text ending in the path
// separator (an empty folder gives the separator alone).
std::string FolderWithSeparator(const std::filesystem::path& folder);

}  // namespace orv
