#include "app/file_kinds.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "reports/report_fixture.h"
#include "support/file_helpers.h"
#include "support/temp_dir.h"

namespace orv {
namespace {

using Kind = Prompter::FileKind;

TEST(FileKinds, EachKindHasItsDialog) {
  struct Row {
    Kind kind;
    bool save;
    const char* title;
    const char* filter;
    const char* extension;
  };
  const Row rows[] = {
      {Kind::SaveEngine, true, "Save Engine File", "Orvantis Engine Files (*.ov)|*.OV", "OV"},
      {Kind::SaveEngineAs, true, "Save Engine File", "Orvantis Engine Files (*.ov)|*.OV", "OV"},
      {Kind::OpenEngine, false, "Open Engine File", "Orvantis Engine Files (*.ov)|*.OV", "OV"},
      {Kind::SaveReport, true, "", "Report Text Files (*.txt)|*.txt|All Files (*.*)|*.*", "TXT"},
      {Kind::OpenProject, false, "", "Project Files (*.prj)|*.prj", "PRJ"},
      {Kind::SaveProject, false, "", "Project Files (*.prj)|*.prj", "PRJ"},
      {Kind::OpenDatabase, false, "", "Flow Test Databases (*.mdb)|*.mdb", "MDB"},
      {Kind::SaveGraph, true, "", "Bitmap Pictures (*.bmp)|*.bmp|All Files (*.*)|*.*", "BMP"},
      {Kind::CompareEngine, false, "Compare With", "Orvantis Engine Files (*.ov)|*.OV", "OV"},
  };
  const InterfaceStrings strings = test::ShippedStrings();
  for (const Row& r : rows) {
    const FileDialogSetup dialog = FileDialogOf(r.kind, strings);
    const int k = static_cast<int>(r.kind);
    EXPECT_EQ(dialog.save, r.save) << k;
    EXPECT_EQ(dialog.title, r.title) << k;
    EXPECT_EQ(dialog.FilterText(), r.filter) << k;
    EXPECT_EQ(dialog.defaultExtension, r.extension) << k;
  }
  const FileDialogSetup graph = FileDialogOf(Kind::SaveGraph, strings);
  ASSERT_EQ(graph.filters.size(), 2u);
  EXPECT_EQ(graph.filters[0], (FileFilter{"Bitmap Pictures (*.bmp)", "*.bmp"}));
}

TEST(FileKinds, APresetEndingInASeparatorPresetsOnlyTheFolder) {
  struct Row {
    const char* preset;
    const char* folder;
    const char* name;
  };
  const Row rows[] = {
      {"/data/Orvantis/Engines/", "/data/Orvantis/Engines/", ""},
      {"/data/Orvantis/Engines/MyEngine000.OV", "/data/Orvantis/Engines/", "MyEngine000.OV"},
      {"MyEngine000.OV", "", "MyEngine000.OV"},
      {"/", "/", ""},
      {"", "", ""},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(FileDialogStartOf(r.preset),
              (FileDialogStart{std::filesystem::path(r.folder), r.name}))
        << r.preset;
  }
}

TEST(FileKinds, DefaultExtensionIsAddedToANameWithoutOne) {
  const std::pair<const char*, const char*> rows[] = {
      {"/x/Race", "/x/Race.OV"},
      {"/x/Race.ov", "/x/Race.ov"},
      {"/x.d/Race", "/x.d/Race.OV"},
      {"/x/.hidden", "/x/.hidden.OV"},
      {"/x/", "/x/"},
  };
  for (const auto& [chosen, expected] : rows) {
    EXPECT_EQ(WithDefaultExtension(Kind::SaveEngineAs, chosen), expected) << chosen;
  }
  EXPECT_EQ(WithDefaultExtension(Kind::SaveGraph, "/g/OV_Graph"), "/g/OV_Graph.BMP");
}

TEST(FileKinds, AChosenPathThatCannotBeUsedIsToldWithText120) {
  test::TempDir dir;
  test::WriteText(dir / "Old.OV", "x");
  std::filesystem::create_directory(dir / "Folder.OV");
  const InterfaceStrings strings = test::ShippedStrings();
  const std::string bad = " cannot be used as a file name.";
  struct Row {
    Kind kind;
    std::string path;
    bool usable;
  };
  const Row rows[] = {
      {Kind::SaveEngine, (dir / "New.OV").string(), true},
      {Kind::SaveEngine, (dir / "Old.OV").string(), true},
      {Kind::OpenEngine, (dir / "Old.OV").string(), true},
      // invalid cases
      {Kind::OpenEngine, (dir / "Missing.OV").string(), false},
      {Kind::CompareEngine, (dir / "Old.OV").string(), true},
      {Kind::CompareEngine, (dir / "Missing.OV").string(), false},
      {Kind::CompareEngine, (dir / "Folder.OV").string(), false},
      {Kind::SaveEngine, (dir / "Folder.OV").string(), false},
      {Kind::OpenEngine, (dir / "Folder.OV").string(), false},
      {Kind::SaveEngine, (dir / "NoSuchFolder" / "New.OV").string(), false},
      {Kind::SaveEngine, dir.path().string() + "/", false},
      {Kind::SaveEngine, (dir / "..").string(), false},
      {Kind::SaveReport, "", false},
      {Kind::SaveReport, (dir / "Old.OV").string() + "/x.txt", false},
  };
  for (const Row& r : rows) {
    const std::optional<std::string> problem = ChosenPathProblem(r.kind, r.path, strings);
    if (r.usable) {
      EXPECT_EQ(problem, std::nullopt) << r.path;
    } else {
      EXPECT_EQ(problem, r.path + bad) << r.path;
    }
  }
}

}  // namespace
}  // namespace orv
