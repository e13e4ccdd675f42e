#include "cam/cam_folder.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <system_error>

#include "base/error_trace.h"
#include "base/folder_files.h"
#include "base/rounding.h"
#include "base/text.h"
#include "base/text_number.h"
#include "cam/cam_lobe.h"
#include "cam/lobe_data_file.h"

namespace orv {

namespace fs = std::filesystem;

namespace {

constexpr const char* kCamFolderModule = "frmCamSelect";
constexpr const char* kIntakeChild = "Intake";
constexpr const char* kExhaustChild = "Exhaust";

bool EndsWith(std::string_view text, std::string_view tail) {
  return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

}  // namespace

CamFileKind CamFileKindOf(std::string_view fileName) {
  const std::string upper = AsciiUpper(fileName);
  if (EndsWith(upper, ".LBK")) return CamFileKind::LobeData;
  if (upper.find(".S96") != std::string::npos) return CamFileKind::S96;
  const std::size_t dotC = upper.rfind(".C");
  if (dotC != std::string::npos) {
    // The text after the last ".C" reads as a number from 1 to 16 (".C3", ".C12").
    const double number = LeadingNumber(std::string_view(upper).substr(dotC + 2));
    if (number >= 1 && number <= 16) return CamFileKind::CamDocument;
  }
  return CamFileKind::None;
}

std::string PadNodeText(std::string_view text) {
  std::size_t characters = 0;
  for (char c : text) {
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++characters;
  }
  std::string padded(text);
  if (characters < kNodeTextWidth) padded.append(kNodeTextWidth - characters, ' ');
  return padded;
}

std::int16_t LobeNumberFromNodeText(std::string_view text) {
  std::string_view t = text;
  const std::size_t colon = t.find(':');
  // A list entry of a file with several shafts ends in " : " and the shaft's name.
  if (colon != std::string_view::npos && colon + 1 > 3) t = Trim(t.substr(0, colon - 1));
  if (t.empty()) return 0;
  double number = LeadingNumber(t.substr(1));
  const std::string_view trimmed = Trim(t);
  switch (trimmed.empty() ? ' ' : trimmed.back()) {
    case 'a':
      number += 100;
      break;
    case 'b':
      number += 200;
      break;
    case 'c':
      number += 300;
      break;
    default:
      break;
  }
  if (t.front() == 'E') number = -number;
  return ToInt16(number);
}

void CamFolder::RefillLobeList(const fs::path& directory, const std::function<void()>& afterFile) {
  ETracker guard(kCamFolderModule, "RefillLobeList");
  directory_ = directory;
  nodes_.clear();
  table_.assign(1, NodeTableEntry{});
  lbkFiles_.clear();
  s96Files_.clear();
  camDocFiles_.clear();
  selected_ = NodeRef{};
  notesNode_.reset();
  notesFile_.clear();
  notes_.clear();

  const std::vector<std::string> names = SortedFileNames(directory, &folderFailure_);
  for (const std::string& name : names) {
    switch (CamFileKindOf(name)) {
      case CamFileKind::LobeData:
        lbkFiles_.push_back(name);
        break;
      case CamFileKind::S96:
        s96Files_.push_back(name);
        break;
      case CamFileKind::CamDocument:
        camDocFiles_.push_back(name);
        break;
      case CamFileKind::None:
        break;
    }
  }

  int n = 0;
  auto addEntry = [&](std::int16_t kind, std::size_t fileIndex) {
    ++n;
    table_.push_back(NodeTableEntry{kind, static_cast<std::int16_t>(fileIndex + 1)});
    return n;
  };

  // Lobe data files with their lobe lists.
  for (std::size_t f = 0; f < lbkFiles_.size(); ++f) {
    std::vector<std::string> texts;
    std::vector<std::int16_t> shafts;
    const LobeDataError err =
        CamLobe::ReadLobeList((directory / lbkFiles_[f]).string(), texts, shafts);
    if (afterFile) afterFile();
    if (err != LobeDataError::Ok || texts.empty()) continue;
    LobeTreeNode file{PadNodeText(lbkFiles_[f]), 0, false, {}};
    for (std::size_t k = 0; k < texts.size(); ++k) {
      const int tag = addEntry(shafts[k], f);
      file.children.push_back(LobeTreeNode{PadNodeText(texts[k]), tag, false, {}});
    }
    nodes_.push_back(std::move(file));
  }
  // S96 files, one selectable node each.
  for (std::size_t f = 0; f < s96Files_.size(); ++f) {
    const int tag = addEntry(kNodeS96, f);
    nodes_.push_back(LobeTreeNode{PadNodeText(s96Files_[f]), tag, false, {}});
  }
  // Cam documents with a child for each column.
  for (std::size_t f = 0; f < camDocFiles_.size(); ++f) {
    LobeTreeNode file{PadNodeText(camDocFiles_[f]), 0, false, {}};
    const int intakeTag = addEntry(kNodeCamDocIntake, f);
    const int exhaustTag = addEntry(kNodeCamDocExhaust, f);
    file.children.push_back(LobeTreeNode{kIntakeChild, intakeTag, false, {}});
    file.children.push_back(LobeTreeNode{kExhaustChild, exhaustTag, false, {}});
    nodes_.push_back(std::move(file));
  }
  if (!nodes_.empty()) selected_ = NodeRef{0, -1};
}

const LobeTreeNode* CamFolder::Node(NodeRef ref) const noexcept {
  if (ref.top < 0 || static_cast<std::size_t>(ref.top) >= nodes_.size()) return nullptr;
  const LobeTreeNode& top = nodes_[static_cast<std::size_t>(ref.top)];
  if (ref.child < 0) return &top;
  if (static_cast<std::size_t>(ref.child) >= top.children.size()) return nullptr;
  return &top.children[static_cast<std::size_t>(ref.child)];
}

void CamFolder::Select(NodeRef ref) noexcept {
  if (Node(ref) != nullptr) selected_ = ref;
}

std::optional<NodeTableEntry> CamFolder::EntryOf(NodeRef ref) const {
  const LobeTreeNode* node = Node(ref);
  if (node == nullptr) return std::nullopt;
  if (node->tag == 0) {
    if (node->children.empty()) return std::nullopt;
    node = &node->children.front();
  }
  const auto k = static_cast<std::size_t>(std::abs(node->tag));
  if (k >= table_.size()) return std::nullopt;
  return table_[k];
}

std::string CamFolder::FilePathOf(const NodeTableEntry& entry) const {
  const std::vector<std::string>* files =
      entry.kind == kNodeS96                                                ? &s96Files_
      : entry.kind == kNodeCamDocIntake || entry.kind == kNodeCamDocExhaust ? &camDocFiles_
                                                                            : &lbkFiles_;
  if (entry.fileNo < 1 || static_cast<std::size_t>(entry.fileNo) > files->size()) return {};
  return (directory_ / (*files)[static_cast<std::size_t>(entry.fileNo - 1)]).string();
}

void CamFolder::ShowNotes() {
  ETracker guard(kCamFolderModule, "ShowNotes");
  if (notesNode_ && *notesNode_ == selected_) return;
  const std::optional<NodeTableEntry> entry = EntryOf(selected_);
  if (!entry) return;
  const std::string file = FilePathOf(*entry);
  if (file != notesFile_) {
    if (entry->kind >= 1 && entry->kind <= 4) {
      CamLobe lobe;
      const LobeDataError err = lobe.ReadLobeDataFile(file, 0, 0, LobeDataPart::HeaderOnly);
      notes_ = err == LobeDataError::Ok ? lobe.Notes() : kNotesReadError;
    } else {
      notes_.clear();
    }
  }
  notesNode_ = selected_;
  notesFile_ = file;
}

bool CamFolder::TagLobe(NodeRef ref) {
  if (Node(ref) == nullptr) return false;
  LobeTreeNode& top = nodes_[static_cast<std::size_t>(ref.top)];
  LobeTreeNode& node = ref.child < 0 ? top : top.children[static_cast<std::size_t>(ref.child)];
  if (node.tag == 0) {
    node.expanded = true;
    return false;
  }
  node.tag = -node.tag;
  selected_ = ref;
  return true;
}

void CamFolder::HideAll() noexcept {
  for (LobeTreeNode& node : nodes_) node.expanded = false;
}

void CamFolder::ShowAll() noexcept {
  for (LobeTreeNode& node : nodes_) node.expanded = true;
}

std::optional<LobeChoice> CamFolder::ChosenLobe(bool intakeMode) const {
  const LobeTreeNode* node = Node(selected_);
  if (node == nullptr || node->tag == 0 || node->text.starts_with("*")) return std::nullopt;
  std::string_view rest = std::string_view(node->text).substr(1);
  while (!rest.empty() && rest.front() == ' ') rest.remove_prefix(1);
  const auto k = static_cast<std::size_t>(std::abs(node->tag));
  if (k >= table_.size()) return std::nullopt;
  const NodeTableEntry entry = table_[k];
  if (entry.fileNo < 1) return std::nullopt;

  LobeChoice choice;
  switch (entry.kind) {
    case kNodeCamDocIntake:
    case kNodeCamDocExhaust:
      choice.kind = CamFileKind::CamDocument;
      choice.path = FilePathOf(entry);
      choice.intakeColumn = intakeMode;
      break;
    case kNodeS96:
      choice.kind = CamFileKind::S96;
      choice.path = (directory_ / std::string(Trim(node->text))).string();
      break;
    case 1:
    case 2:
    case 3:
    case 4:
      choice.kind = CamFileKind::LobeData;
      choice.path = FilePathOf(entry);
      choice.shaftNo = entry.kind;
      choice.lobeNo = LobeNumberFromNodeText(rest);
      break;
    default:
      return std::nullopt;
  }
  if (choice.path.empty()) return std::nullopt;
  return choice;
}

}  // namespace orv
