#include "airflow/dos_folder.h"

#include "airflow/dos_test_file.h"
#include "airflow/sy3_test_file.h"
#include "base/error_trace.h"
#include "base/folder_files.h"
#include "base/text.h"

namespace orv {

namespace fs = std::filesystem;

namespace {

constexpr const char* kDosFolderModule = "frmLoadFlowTest";

bool EndsWith(std::string_view text, std::string_view tail) {
  return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

}  // namespace

FlowFileKind FlowFileKindOf(std::string_view fileName) {
  const std::string upper = AsciiUpper(fileName);
  if (EndsWith(upper, ".SY")) return FlowFileKind::Dos;
  if (EndsWith(upper, ".SY3")) return FlowFileKind::Sy3;
  return FlowFileKind::None;
}

void DosFolder::Refill(const fs::path& folder, const ProgressFn& progress) {
  ETracker guard(kDosFolderModule, "FillDosTree");
  folder_ = folder;
  nodes_.clear();
  selected_ = NodeRef{};
  notes_.clear();

  const std::vector<std::string> names = SortedFileNames(folder, &folderFailure_);
  for (const std::string& name : names) {
    if (FlowFileKindOf(name) != FlowFileKind::Dos) continue;
    FlowTestNode node;
    node.kind = FlowNodeKind::DosFile;
    node.text = name;
    node.path = (folder / name).string();
    node.testKind = kKindFromDosFile;
    nodes_.push_back(std::move(node));
    if (progress) progress();
  }
  for (const std::string& name : names) {
    if (FlowFileKindOf(name) != FlowFileKind::Sy3) continue;
    FlowTestNode file;
    file.kind = FlowNodeKind::Sy3File;
    file.text = name;
    file.path = (folder / name).string();
    std::vector<Sy3TestName> tests;
    file.unreadable = ReadSY3TestNames(file.path, tests) != FlowError::Ok;
    for (const Sy3TestName& t : tests) {
      FlowTestNode child;
      child.kind = FlowNodeKind::Sy3Test;
      child.text = t.name;
      child.path = file.path;
      child.testName = t.name;
      child.testKind = t.kind;
      file.children.push_back(std::move(child));
    }
    nodes_.push_back(std::move(file));
    if (progress) progress();
  }
  if (!nodes_.empty()) Select(NodeRef{0, -1});
}

const FlowTestNode* DosFolder::Node(NodeRef ref) const noexcept {
  if (ref.top < 0 || static_cast<std::size_t>(ref.top) >= nodes_.size()) return nullptr;
  const FlowTestNode& top = nodes_[static_cast<std::size_t>(ref.top)];
  if (ref.child < 0) return &top;
  if (static_cast<std::size_t>(ref.child) >= top.children.size()) return nullptr;
  return &top.children[static_cast<std::size_t>(ref.child)];
}

void DosFolder::Select(NodeRef ref) {
  if (Node(ref) == nullptr) return;
  selected_ = ref;
  notes_ = NotesOf(ref);
}

std::string DosFolder::NotesOf(NodeRef ref) const {
  ETracker guard(kDosFolderModule, "tvwTests_NodeClick");
  const FlowTestNode* node = Node(ref);
  if (node == nullptr) return {};
  FlowTest test;
  test.SetPathFile(node->path);
  FlowError err = FlowError::Ok;
  switch (node->kind) {
    case FlowNodeKind::Sy3File:
      return node->unreadable ? kTestNotesReadError : std::string();
    case FlowNodeKind::DosFile:
      err = R2Notes(test);
      break;
    case FlowNodeKind::Sy3Test:
      test.Condition.SetName(node->testName);
      test.Condition.SetKind(node->testKind);
      err = R3Notes(test);
      break;
  }
  return err == FlowError::Ok ? test.Notes() : kTestNotesReadError;
}

std::optional<FlowTestChoice> DosFolder::ChosenTest(NodeRef ref) const {
  const FlowTestNode* node = Node(ref);
  if (node == nullptr || node->kind == FlowNodeKind::Sy3File) return std::nullopt;
  return FlowTestChoice{node->path, node->testName, node->testKind};
}

}  // namespace orv
