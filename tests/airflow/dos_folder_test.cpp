#include "airflow/dos_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "airflow/load_test.h"
#include "support/file_helpers.h"
#include "support/sy3_writer.h"
#include "support/sy_writer.h"
#include "support/temp_dir.h"

namespace orv {
namespace {

// A DOS test file of three lifts with its notes.
test::SyFile DosFile(const std::string& notes) {
  test::SyFile f;
  f.notes = notes;
  f.testType = 5;
  f.barometer = 29.92f;
  f.wetBulb = 59;
  f.dryBulb = 70;
  f.valveDia = 2.02f;
  for (int i = 1; i <= 3; ++i) {
    test::SyRecord r;
    r.lift = 0.1f * float(i);
    r.acfm = 90.0f * float(i);
    r.ccfm = 100.0f * float(i);
    r.depr = 28;
    f.records.push_back(r);
  }
  return f;
}

// An SY3 test of two records of base kind 5 (by lift, manual) stored under `fullKind`.
test::Sy3Test Sy3TestOf(const std::string& name, std::int16_t fullKind, bool version1) {
  test::Sy3Test t;
  t.name = name;
  t.fullKind = fullKind;
  t.notes = "Notes of " + name;
  t.valveDia = 2.055f;
  t.barometer = 29.5f;
  t.records = 2;
  for (int r = 0; r <= 2; ++r) {
    test::Sy3Row row;
    row.lift = 0.1f * float(r);
    row.ccfm = 100.0f * float(r);
    row.acfm = 95.0f * float(r);
    row.depr = 28;
    const std::vector<float> v = test::Sy3RowValues(5, row, version1);
    t.recordLength = static_cast<std::int16_t>(v.size());
    t.data.insert(t.data.end(), v.begin(), v.end());
  }
  return t;
}

// A folder with DOS and SY3 files in mixed case, files that cannot be read, and files and a
// folder that are not listed.
struct Folder {
  test::TempDir dir;
  Folder() {
    test::WriteSyFile(dir / "B.SY", DosFile("Stage 2 port"));
    test::WriteSyFile(dir / "a.sy", DosFile("Stock port"));
    test::WriteText(dir / "BAD.SY", "not a test");
    test::Sy3File head;
    head.version = 'B';
    head.tests = {Sy3TestOf("RUN 1", 5, false), Sy3TestOf("AVG", 105, false)};
    test::WriteSy3File(dir / "HEAD.SY3", head);
    test::Sy3File old;
    old.version = 'A';
    old.fileNotes = "Whole file notes";
    old.tests = {Sy3TestOf("FIRST", 5, true)};
    test::WriteSy3File(dir / "old.Sy3", old);
    test::WriteText(dir / "BAD.SY3", std::string(400, 'x'));
    for (const char* name : {"X.SY1", "SY", "notes.txt", "HEAD.SY3.bak"}) {
      test::WriteText(dir / name, "x");
    }
    std::filesystem::create_directory(dir / "SUB.SY");
  }
  std::string Path(const char* name) const { return (dir / name).string(); }
};

TEST(DosFolder, FileKindsByName) {
  const std::pair<const char*, FlowFileKind> rows[] = {
      {"A.SY", FlowFileKind::Dos},  {"a.sy", FlowFileKind::Dos},   {"x.Sy", FlowFileKind::Dos},
      {"A.SY3", FlowFileKind::Sy3}, {"a.sy3", FlowFileKind::Sy3},  {"A.SY1", FlowFileKind::None},
      {"SY", FlowFileKind::None},   {"A.SYS", FlowFileKind::None}, {"A.SY3X", FlowFileKind::None},
      {".SY", FlowFileKind::Dos},
  };
  for (const auto& [name, kind] : rows) EXPECT_EQ(FlowFileKindOf(name), kind) << name;
}

TEST(DosFolder, TreeOfAFolder) {
  Folder f;
  DosFolder folder;
  int progress = 0;
  folder.Refill(f.dir.path(), [&progress] { ++progress; });
  EXPECT_EQ(folder.folder(), f.dir.path());
  EXPECT_EQ(progress, 6);

  struct Expected {
    FlowNodeKind kind;
    const char* text;
    const char* file;
    const char* testName;
    std::int32_t testKind;
    bool unreadable;
    std::size_t children;
  };
  const Expected expected[] = {
      {FlowNodeKind::DosFile, "a.sy", "a.sy", "", kKindFromDosFile, false, 0},
      {FlowNodeKind::DosFile, "B.SY", "B.SY", "", kKindFromDosFile, false, 0},
      {FlowNodeKind::DosFile, "BAD.SY", "BAD.SY", "", kKindFromDosFile, false, 0},
      {FlowNodeKind::Sy3File, "BAD.SY3", "BAD.SY3", "", 0, true, 0},
      {FlowNodeKind::Sy3File, "HEAD.SY3", "HEAD.SY3", "", 0, false, 2},
      {FlowNodeKind::Sy3File, "old.Sy3", "old.Sy3", "", 0, false, 1},
  };
  ASSERT_EQ(folder.nodes().size(), std::size(expected));
  for (std::size_t i = 0; i < std::size(expected); ++i) {
    const FlowTestNode& node = folder.nodes()[i];
    const Expected& e = expected[i];
    EXPECT_EQ(node.kind, e.kind) << e.text;
    EXPECT_EQ(node.text, e.text);
    EXPECT_EQ(node.path, f.Path(e.file)) << e.text;
    EXPECT_EQ(node.testName, e.testName) << e.text;
    EXPECT_EQ(node.testKind, e.testKind) << e.text;
    EXPECT_EQ(node.unreadable, e.unreadable) << e.text;
    EXPECT_EQ(node.children.size(), e.children) << e.text;
  }
  const FlowTestNode* avg = folder.Node({4, 1});
  ASSERT_NE(avg, nullptr);
  EXPECT_EQ(avg->kind, FlowNodeKind::Sy3Test);
  EXPECT_EQ(avg->text, "AVG");
  EXPECT_EQ(avg->testName, "AVG");
  EXPECT_EQ(avg->testKind, 105);
  EXPECT_EQ(avg->path, f.Path("HEAD.SY3"));
  EXPECT_EQ(folder.Node({5, 0})->testName, "FIRST");
  EXPECT_EQ(folder.Node({4, 2}), nullptr);
  EXPECT_EQ(folder.Node({6, -1}), nullptr);
  EXPECT_EQ(folder.Node({-1, -1}), nullptr);
}

TEST(DosFolder, NotesOfEachNode) {
  Folder f;
  DosFolder folder;
  folder.Refill(f.dir.path());
  EXPECT_EQ(folder.selected(), (NodeRef{0, -1}));
  EXPECT_EQ(folder.notes().substr(0, 12), "Stock port\r\n");

  struct Row {
    NodeRef node;
    const char* notesStart;
  };
  const Row rows[] = {
      {{1, -1}, "Stage 2 port\r\n"},    {{2, -1}, kTestNotesReadError},
      {{3, -1}, kTestNotesReadError},   {{4, -1}, ""},
      {{4, 0}, "Notes of RUN 1\r\n"},   {{4, 1}, "Notes of AVG\r\n"},
      {{5, 0}, "Whole file notes\r\n"},  // a version-1 file's tests share its notes
  };
  for (const Row& r : rows) {
    const std::string notes = folder.NotesOf(r.node);
    const std::string start = r.notesStart;
    EXPECT_EQ(notes.substr(0, start.size()), start) << r.node.top << " " << r.node.child;
    if (start.empty() || start == kTestNotesReadError) {
      EXPECT_EQ(notes, start);
    }
    folder.Select(r.node);
    EXPECT_EQ(folder.selected(), r.node);
    EXPECT_EQ(folder.notes(), notes);
  }
  // A test that has gone from its file since the folder was listed.
  test::Sy3File head;
  head.tests = {Sy3TestOf("RUN 1", 5, false)};
  test::WriteSy3File(f.dir / "HEAD.SY3", head);
  EXPECT_EQ(folder.NotesOf({4, 1}), kTestNotesReadError);
  // A reference to no node selects nothing.
  folder.Select({9, -1});
  EXPECT_EQ(folder.selected(), (NodeRef{5, 0}));
  EXPECT_EQ(folder.NotesOf({9, -1}), "");
}

TEST(DosFolder, ChosenTestsLoadAsTheEngineAirflow) {
  Folder f;
  DosFolder folder;
  folder.Refill(f.dir.path());
  EXPECT_EQ(folder.ChosenTest({1, -1}), (FlowTestChoice{f.Path("B.SY"), "", kKindFromDosFile}));
  EXPECT_EQ(folder.ChosenTest({4, 1}), (FlowTestChoice{f.Path("HEAD.SY3"), "AVG", 105}));
  EXPECT_EQ(folder.ChosenTest({4, -1}), std::nullopt);  // the file groups its tests
  EXPECT_EQ(folder.ChosenTest({7, -1}), std::nullopt);

  for (NodeRef ref : {NodeRef{1, -1}, NodeRef{4, 1}, NodeRef{5, 0}}) {
    const std::optional<FlowTestChoice> choice = folder.ChosenTest(ref);
    ASSERT_TRUE(choice.has_value());
    EngineInputs inputs;
    FlowTest current;
    std::int32_t kind = choice->kind;
    ASSERT_EQ(LoadSYTest(choice->path, choice->testName, true, kind, false, 0, inputs, current),
              FlowError::Ok)
        << ref.top << " " << ref.child;
    EXPECT_GE(inputs.ILift.hi(), 2) << ref.top;
  }
}

TEST(DosFolder, AFolderWithoutTestFiles) {
  test::TempDir dir;
  test::WriteText(dir / "readme.txt", "x");
  DosFolder folder;
  int progress = 0;
  folder.Refill(dir.path(), [&progress] { ++progress; });
  EXPECT_TRUE(folder.nodes().empty());
  EXPECT_EQ(folder.selected(), NodeRef{});
  EXPECT_EQ(folder.notes(), "");
  EXPECT_EQ(progress, 0);
  EXPECT_EQ(folder.folderFailure(), "");
  folder.Refill(dir / "missing");
  EXPECT_TRUE(folder.nodes().empty());
  EXPECT_EQ(folder.folderFailure(), "Cannot read the folder " + (dir / "missing").string() +
                                        " (No such file or directory)");
  // A file given as the folder.
  folder.Refill(dir / "readme.txt");
  EXPECT_TRUE(folder.nodes().empty());
  EXPECT_EQ(folder.folderFailure(),
            "Cannot read the folder " + (dir / "readme.txt").string() + " (Not a directory)");
}

}  // namespace
}  // namespace orv
