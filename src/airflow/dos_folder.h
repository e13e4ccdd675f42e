#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "airflow/flow_test.h"
#include "cam/cam_folder.h"

namespace orv {

// What the flow-test dialog's "DOS Sylfaro Tests" tab knows about one folder, without drawing
// it: the flow bench's test files in it as a tree, the notes of the selected test and which
// test a node opens. The twin of `CamFolder`: the window shows `nodes()`, passes the user's
// selection back as a `NodeRef` and loads `ChosenTest` with `LoadSYTest`.
//
// The tree holds every DOS test file ("*.SY", any case) of the folder, then every multi-test
// file ("*.SY3", any case) with one child per test of its directory, each list in the order of
// the upper-cased file names.

// Shown in the notes area while the folder's files are read.
inline constexpr const char* kReadingTestFilesNotice =
    ">>>>  PLEASE WAIT: READING TESTS FROM FILES  <<<<";
// Shown as the notes of a test whose file cannot be read.
inline constexpr const char* kTestNotesReadError = "*** ERROR READING FILE ***";

// The kind of flow-bench test file a name stands for: ".SY" or ".SY3" at its end, any case.
enum class FlowFileKind { None, Dos, Sy3 };
FlowFileKind FlowFileKindOf(std::string_view fileName);

enum class FlowNodeKind {
  DosFile,  // a DOS test file: one test
  Sy3File,  // a multi-test file, grouping its tests
  Sy3Test,  // one test of a multi-test file
};

struct FlowTestNode {
  FlowNodeKind kind = FlowNodeKind::DosFile;
  std::string text;      // shown: the file name, or the test's name for a test of an SY3 file
  std::string path;      // full path of the file the node belongs to
  std::string testName;  // a test of an SY3 file: its name in the file's directory
  // A test of an SY3 file: its full kind from the directory (kind + 100 averaged + 200
  // totaled); a DOS file: `kKindFromDosFile`, the file giving the kind; an SY3 file: 0.
  std::int32_t testKind = 0;
  // An SY3 file whose directory could not be read (it then has no children).
  bool unreadable = false;
  std::vector<FlowTestNode> children;
};

// What "Open" loads for a node, the arguments of `LoadSYTest` for a test file.
struct FlowTestChoice {
  std::string path;
  std::string testName;  // empty for a DOS file
  std::int32_t kind = kKindFromDosFile;
  bool operator==(const FlowTestChoice&) const = default;
};

class DosFolder final {
 public:
  // Lists the test files of `folder` and the tests of its SY3 files; `progress` is advanced
  // once for every file listed. The first node is selected.
  void Refill(const std::filesystem::path& folder, const ProgressFn& progress = {});

  const std::filesystem::path& folder() const noexcept { return folder_; }
  // Why the folder could not be read, naming it; empty when it was read.
  const std::string& folderFailure() const noexcept { return folderFailure_; }
  const std::vector<FlowTestNode>& nodes() const noexcept { return nodes_; }
  const FlowTestNode* Node(NodeRef ref) const noexcept;

  NodeRef selected() const noexcept { return selected_; }
  // Selects a node (an invalid reference is ignored) and refreshes the notes.
  void Select(NodeRef ref);
  // The notes of the selected node, as `NotesOf` gives them.
  const std::string& notes() const noexcept { return notes_; }

  // The notes of a node, read from its file: a test's 9 note lines, each followed by CR LF,
  // or `kTestNotesReadError` when the test cannot be read. An SY3 file's own node shows no
  // notes, or the error text when its directory could not be read.
  std::string NotesOf(NodeRef ref) const;

  // What "Open" (or a double click) loads for a node: nothing for an SY3 file's own node or a
  // reference to no node.
  std::optional<FlowTestChoice> ChosenTest(NodeRef ref) const;

 private:
  std::filesystem::path folder_;
  std::string folderFailure_;
  std::vector<FlowTestNode> nodes_;
  NodeRef selected_;
  std::string notes_;
};

}  // namespace orv
