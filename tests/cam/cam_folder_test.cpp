#include "cam/cam_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/cam_text_writer.h"
#include "support/lbk_writer.h"
#include "support/temp_dir.h"

namespace orv {
namespace {

test::LbkLobe OnePointLobe(std::int16_t shaft, std::int16_t no) {
  test::LbkLobe l;
  l.shaftNo = shaft;
  l.lobeNo = no;
  l.lift[180] = 0.3f;
  return l;
}

std::string Padded(const std::string& text) {
  return text + std::string(text.size() < 30 ? 30 - text.size() : 0, ' ');
}

// A folder with every kind of cam file, some that are not listed, and other files.
struct Folder {
  test::TempDir dir;
  Folder() {
    test::LbkFile two;
    two.shaftCount = 2;
    two.notes = "Two shafts";
    two.lobes = {OnePointLobe(2, -105), OnePointLobe(1, 5), OnePointLobe(1, -5)};
    test::WriteLbkFile(dir / "TWO.LBK", two);
    test::LbkFile one;
    one.version = 4;
    one.notes = "One shaft";
    one.lobes = {OnePointLobe(1, 3)};
    test::WriteLbkFile(dir / "one.lbk", one);
    test::WriteBytesFile(dir / "BAD.LBK", std::string(3000, 'x'));
    test::LbkFile none;
    none.lobes = {OnePointLobe(1, 0)};
    test::WriteLbkFile(dir / "NOLOBES.LBK", none);
    for (const char* name :
         {"B.S96", "A.s961", "TEST.C3", "TEST.C17", "TEST.C0", "X.CAM", "notes.txt"}) {
      test::WriteTextFile(dir / name, "0,0\r\n");
    }
    std::filesystem::create_directory(dir / "SUB.LBK");
  }
  std::string Path(const char* name) const { return (dir / name).string(); }
};

TEST(CamFolder, TreeOfAFolder) {
  Folder f;
  CamFolder folder;
  folder.RefillLobeList(f.dir.path());
  EXPECT_EQ(folder.lobeDataFiles(),
            (std::vector<std::string>{"BAD.LBK", "NOLOBES.LBK", "one.lbk", "TWO.LBK"}));
  EXPECT_EQ(folder.s96Files(), (std::vector<std::string>{"A.s961", "B.S96"}));
  EXPECT_EQ(folder.camDocFiles(), (std::vector<std::string>{"TEST.C3"}));

  struct Node {
    std::string text;
    int tag;
    std::vector<std::pair<std::string, int>> children;
  };
  const std::vector<Node> expected = {
      {"one.lbk", 0, {{"  I3 ", 1}}},
      {"TWO.LBK",
       0,
       {{"  I5  : Shaft No. 1", 2}, {"  E5  : Shaft No. 1", 3}, {"  E5a : Shaft No. 2", 4}}},
      {"A.s961", 5, {}},
      {"B.S96", 6, {}},
      {"TEST.C3", 0, {{"Intake", 7}, {"Exhaust", 8}}},
  };
  ASSERT_EQ(folder.nodes().size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    const LobeTreeNode& node = folder.nodes()[i];
    EXPECT_EQ(node.text, Padded(expected[i].text)) << i;
    EXPECT_EQ(node.tag, expected[i].tag) << i;
    ASSERT_EQ(node.children.size(), expected[i].children.size()) << i;
    for (std::size_t k = 0; k < node.children.size(); ++k) {
      const auto& [text, tag] = expected[i].children[k];
      // The cam document's children keep their short texts.
      EXPECT_EQ(node.children[k].text, tag >= 7 ? text : Padded(text)) << i << "/" << k;
      EXPECT_EQ(node.children[k].tag, tag) << i << "/" << k;
    }
  }
  EXPECT_EQ(folder.nodeTable(),
            (std::vector<NodeTableEntry>{
                {0, 0}, {1, 3}, {1, 4}, {1, 4}, {2, 4}, {-96, 1}, {-96, 2}, {-101, 1}, {-102, 1}}));
  EXPECT_EQ(folder.selected(), (NodeRef{0, -1}));
}

// The call after each lobe data file lets a listing no longer wanted stop early: it comes once
// per file read (unreadable ones too), and what it raises ends the listing there.
TEST(CamFolder, AfterEachLobeDataFileTheListingCanStop) {
  Folder f;
  CamFolder folder;
  int calls = 0;
  folder.RefillLobeList(f.dir.path(), [&calls] { ++calls; });
  EXPECT_EQ(calls, 4);
  EXPECT_EQ(folder.nodes().size(), 5u);

  struct Stopped {};
  calls = 0;
  EXPECT_THROW(folder.RefillLobeList(f.dir.path(),
                                     [&calls] {
                                       if (++calls == 2) throw Stopped{};
                                     }),
               Stopped);
  EXPECT_EQ(calls, 2);
}

TEST(CamFolder, EmptyOrMissingFolderGivesAnEmptyTree) {
  test::TempDir dir;
  for (const auto& path : {dir.path(), dir / "missing"}) {
    CamFolder folder;
    folder.RefillLobeList(path);
    EXPECT_TRUE(folder.nodes().empty());
    EXPECT_EQ(folder.selected(), NodeRef{});
    EXPECT_FALSE(folder.ChosenLobe(true));
    folder.ShowNotes();
    EXPECT_EQ(folder.notes(), "");
  }
  // Only the folder that cannot be read says why, naming itself; refilling clears it.
  CamFolder folder;
  folder.RefillLobeList(dir / "missing");
  EXPECT_EQ(folder.folderFailure(), "Cannot read the folder " + (dir / "missing").string() +
                                        " (No such file or directory)");
  folder.RefillLobeList(dir.path());
  EXPECT_EQ(folder.folderFailure(), "");
}

TEST(CamFolder, NotesOfTheSelectedFile) {
  Folder f;
  CamFolder folder;
  folder.RefillLobeList(f.dir.path());
  std::string twelve;
  for (int i = 0; i < 11; ++i) twelve += "\r\n";

  struct Step {
    NodeRef node;
    std::string notes;
  };
  const Step steps[] = {
      {{1, 2}, "Two shafts\r\n" + twelve},
      {{1, -1}, "Two shafts\r\n" + twelve},  // a file node shows its first lobe's file
      {{3, -1}, ""},                         // S96
      {{0, 0}, "One shaft\r\n" + twelve},
      {{4, 1}, ""},  // cam document
  };
  for (const Step& step : steps) {
    folder.Select(step.node);
    folder.ShowNotes();
    EXPECT_EQ(folder.notes(), step.notes) << step.node.top << "/" << step.node.child;
  }

  // A file whose header can no longer be read.
  test::WriteBytesFile(f.dir / "one.lbk", "C2data");
  folder.Select({0, 0});
  folder.ShowNotes();
  EXPECT_EQ(folder.notes(), kNotesReadError);
}

TEST(CamFolder, ConfirmingNodes) {
  Folder f;
  CamFolder folder;
  folder.RefillLobeList(f.dir.path());
  // The space bar on a file node that groups lobes expands it and opens nothing.
  EXPECT_FALSE(folder.TagLobe({1, -1}));
  EXPECT_TRUE(folder.nodes()[1].expanded);
  EXPECT_EQ(folder.nodes()[1].tag, 0);
  // On a lobe it marks the node and opens it.
  EXPECT_TRUE(folder.TagLobe({1, 2}));
  EXPECT_EQ(folder.nodes()[1].children[2].tag, -4);
  EXPECT_EQ(folder.selected(), (NodeRef{1, 2}));
  const std::optional<LobeChoice> choice = folder.ChosenLobe(false);
  ASSERT_TRUE(choice);
  EXPECT_EQ(choice->lobeNo, -105);
  EXPECT_EQ(choice->shaftNo, 2);

  folder.ShowAll();
  for (const LobeTreeNode& node : folder.nodes()) EXPECT_TRUE(node.expanded);
  folder.HideAll();
  for (const LobeTreeNode& node : folder.nodes()) EXPECT_FALSE(node.expanded);
}

TEST(CamFolder, ChosenLobeOfEachNode) {
  Folder f;
  CamFolder folder;
  folder.RefillLobeList(f.dir.path());
  struct Row {
    NodeRef node;
    bool intakeMode;
    bool chosen;
    CamFileKind kind;
    const char* file;
    std::int16_t shaft;
    std::int16_t lobe;
    bool intakeColumn;
  };
  const Row rows[] = {
      {{0, 0}, true, true, CamFileKind::LobeData, "one.lbk", 1, 3, false},
      {{1, 0}, true, true, CamFileKind::LobeData, "TWO.LBK", 1, 5, false},
      {{1, 1}, false, true, CamFileKind::LobeData, "TWO.LBK", 1, -5, false},
      {{1, 2}, false, true, CamFileKind::LobeData, "TWO.LBK", 2, -105, false},
      {{3, -1}, true, true, CamFileKind::S96, "B.S96", 0, 0, false},
      // The column follows the dialog's side, not the child chosen.
      {{4, 1}, true, true, CamFileKind::CamDocument, "TEST.C3", 0, 0, true},
      {{4, 0}, false, true, CamFileKind::CamDocument, "TEST.C3", 0, 0, false},
      {{1, -1}, true, false, CamFileKind::None, "", 0, 0, false},  // groups lobes
      {{4, -1}, true, false, CamFileKind::None, "", 0, 0, false},
  };
  for (const Row& row : rows) {
    folder.Select(row.node);
    const std::optional<LobeChoice> choice = folder.ChosenLobe(row.intakeMode);
    ASSERT_EQ(choice.has_value(), row.chosen) << row.node.top << "/" << row.node.child;
    if (!choice) continue;
    EXPECT_EQ(choice->kind, row.kind);
    EXPECT_EQ(choice->path, f.Path(row.file));
    EXPECT_EQ(choice->shaftNo, row.shaft);
    EXPECT_EQ(choice->lobeNo, row.lobe);
    EXPECT_EQ(choice->intakeColumn, row.intakeColumn);
  }
}

TEST(CamFolder, LobeNumberFromNodeText) {
  struct Row {
    const char* text;
    std::int16_t lobe;
  };
  const Row rows[] = {
      {"I5                           ", 5},
      {"I5a", 105},
      {"E5 ", -5},
      {"E12b : INTAKE", -212},
      {"I5  : Shaft No. 2", 5},
      {"E5a : Shaft No. 2", -105},
      {"Ia ", 100},
      {"E99c", -399},
      {"I7 : X", 7},
      {"", 0},
  };
  for (const Row& row : rows) EXPECT_EQ(LobeNumberFromNodeText(row.text), row.lobe) << row.text;
}

TEST(CamFolder, FileKindsByName) {
  struct Row {
    const char* name;
    CamFileKind kind;
  };
  const Row rows[] = {
      {"CAM.LBK", CamFileKind::LobeData},     {"cam.lbk", CamFileKind::LobeData},
      {"CAM.LBKX", CamFileKind::None},        {"LOBE.S96", CamFileKind::S96},
      {"lobe.s96.bak", CamFileKind::S96},     {"TEST.C3", CamFileKind::CamDocument},
      {"test.c16", CamFileKind::CamDocument}, {"TEST.C17", CamFileKind::None},
      {"TEST.C0", CamFileKind::None},         {"TEST.CAM", CamFileKind::None},
      {"TEST.TXT", CamFileKind::None},        {"A.C2.C12", CamFileKind::CamDocument},
  };
  for (const Row& row : rows) EXPECT_EQ(CamFileKindOf(row.name), row.kind) << row.name;
}

TEST(CamFolder, NodeTextsArePaddedToThirtyCharacters) {
  EXPECT_EQ(PadNodeText("AB"), "AB" + std::string(28, ' '));
  EXPECT_EQ(PadNodeText(std::string(35, 'x')), std::string(35, 'x'));
  EXPECT_EQ(PadNodeText("\xC3\x89T\xC3\x89.S96"), "\xC3\x89T\xC3\x89.S96" + std::string(23, ' '));
}

}  // namespace
}  // namespace orv
