#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orv {

// What the cam selection dialog knows about one folder, without drawing it: the cam files in
// it, the tree of files and lobes the dialog shows, the node table behind the selectable
// nodes, the notes of the selected lobe data file and which lobe a confirmed node asks for.
// The window shows `nodes()` and passes the user's selection and keys back.

// The kind of cam file a name stands for, by the dialog's listing patterns: "*.LBK",
// "*.S96*", and "*.C1" .. "*.C16" (any case).
enum class CamFileKind { None, LobeData, S96, CamDocument };
CamFileKind CamFileKindOf(std::string_view fileName);

// Node table kinds besides the shaft numbers 1-4 of a lobe data file's lobes.
inline constexpr std::int16_t kNodeS96 = -96;
inline constexpr std::int16_t kNodeCamDocIntake = -101;
inline constexpr std::int16_t kNodeCamDocExhaust = -102;

// Width the node texts are padded to with blanks (longer texts are kept whole).
inline constexpr std::size_t kNodeTextWidth = 30;

// Shown for a lobe data file whose header cannot be read.
inline constexpr const char* kNotesReadError = "*** ERROR READING FILE ***";

struct LobeTreeNode {
  std::string text;
  // 0 for a file node that only groups lobes, n for the n-th selectable node; negated when the
  // user confirms the node.
  int tag = 0;
  bool expanded = false;
  std::vector<LobeTreeNode> children;
};

// A selectable node: its kind (shaft number 1-4, or one of the kinds above) and the 1-based
// position of its file in the file list of its kind.
struct NodeTableEntry {
  std::int16_t kind = 0;
  std::int16_t fileNo = 0;
  bool operator==(const NodeTableEntry&) const = default;
};

// A node of the tree: the index of a top-level node, and of one of its children or -1.
struct NodeRef {
  int top = -1;
  int child = -1;
  bool operator==(const NodeRef&) const = default;
};

// The lobe a confirmed node asks for.
struct LobeChoice {
  CamFileKind kind = CamFileKind::None;
  std::string path;
  std::int16_t shaftNo = 0;  // lobe data file only
  std::int16_t lobeNo = 0;   // lobe data file only: signed, hundreds included
  // Cam document only: the column read follows the side the dialog chooses for, not the child
  // node that was confirmed.
  bool intakeColumn = false;
};

// The lobe number a lobe-list node stands for. `text` is the node text less its first
// character, left-trimmed ("I5a : Shaft No. 2", "E12"): a shaft name after ":" is dropped,
// the digits give the number, a last letter a, b or c adds 100, 200 or 300, and "E" makes it
// an exhaust (negative) number.
std::int16_t LobeNumberFromNodeText(std::string_view text);

// A text padded with blanks to the node width (counted in characters).
std::string PadNodeText(std::string_view text);

class CamFolder final {
 public:
  // Fills the tree for a folder: the lobe data files with their lobe lists as children (a
  // file that cannot be listed or has no lobes gets no node), the S96 files, and the cam
  // documents with their "Intake" and "Exhaust" children. The first node is selected.
  // `afterFile` runs after each file is read; a listing no longer wanted stops by raising
  // from it (a slow drive then waits for one file, not the whole folder).
  void RefillLobeList(const std::filesystem::path& directory,
                      const std::function<void()>& afterFile = {});

  const std::filesystem::path& directory() const noexcept { return directory_; }
  // Why the folder could not be read, naming it; empty when it was read.
  const std::string& folderFailure() const noexcept { return folderFailure_; }
  const std::vector<LobeTreeNode>& nodes() const noexcept { return nodes_; }
  // Entry n belongs to the node with tag n (entry 0 is unused).
  const std::vector<NodeTableEntry>& nodeTable() const noexcept { return table_; }
  const std::vector<std::string>& lobeDataFiles() const noexcept { return lbkFiles_; }
  const std::vector<std::string>& s96Files() const noexcept { return s96Files_; }
  const std::vector<std::string>& camDocFiles() const noexcept { return camDocFiles_; }

  const LobeTreeNode* Node(NodeRef ref) const noexcept;
  NodeRef selected() const noexcept { return selected_; }
  // Selects a node (an invalid reference is ignored).
  void Select(NodeRef ref) noexcept;

  // Refreshes the notes for the selected node (on every click and key in the tree): a lobe
  // data file's notes, read from its header, or the error text when it cannot be read; empty
  // for the other files. A file whose notes are shown is not read again.
  void ShowNotes();
  const std::string& notes() const noexcept { return notes_; }

  // Confirming a node (double click, space bar): a file node that groups lobes is expanded and
  // nothing is opened (false); any other node is marked confirmed and the dialog opens it
  // (true).
  bool TagLobe(NodeRef ref);
  void HideAll() noexcept;
  void ShowAll() noexcept;

  // What Open reads for the selected node: nothing for an empty tree, a file node that groups
  // lobes, a node text beginning with "*" or a node without a file. `intakeMode` is the side
  // the dialog chooses for.
  std::optional<LobeChoice> ChosenLobe(bool intakeMode) const;

 private:
  // The node table entry of a node (a file node answers with its first child's).
  std::optional<NodeTableEntry> EntryOf(NodeRef ref) const;
  std::string FilePathOf(const NodeTableEntry& entry) const;

  std::filesystem::path directory_;
  std::string folderFailure_;
  std::vector<std::string> lbkFiles_;
  std::vector<std::string> s96Files_;
  std::vector<std::string> camDocFiles_;
  std::vector<LobeTreeNode> nodes_;
  std::vector<NodeTableEntry> table_;
  NodeRef selected_;
  std::optional<NodeRef> notesNode_;
  std::string notesFile_;
  std::string notes_;
};

}  // namespace orv
