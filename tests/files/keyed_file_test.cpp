#include "files/keyed_file.h"

#include <gtest/gtest.h>

#include <fstream>
#include <limits>
#include <string>
#include <vector>

#include "base/atomic_file.h"
#include "base/runtime_error.h"
#include "files/engine_file.h"
#include "support/file_helpers.h"
#include "support/temp_dir.h"

namespace orv {
namespace {

namespace fs = std::filesystem;

using test::FakePrompter;
using test::ReadText;
using test::WriteText;

TEST(ProfileStore, FetchGivesEntriesWithoutBlanksRoundTheEqualSign) {
  const ProfileStore store("[A]\r\n  Key  =  some value  \r\n\r\nOther=1\r\n[B]\r\nX = 2\r\n");
  EXPECT_EQ(store.FetchSection("A", 4096), std::string("Key=some value\0Other=1\0\0", 24));
  EXPECT_EQ(store.FetchSection("b", 4096), std::string("X=2\0\0", 5));
  EXPECT_EQ(store.FetchSection("C", 4096), std::string("\0", 1));
}

TEST(ProfileStore, FetchKeepsOnlyWholeEntriesThatFitTheBuffer) {
  const ProfileStore store("[A]\nab=1\ncd=2\nef=3\n");
  // "ab=1\0" + "cd=2\0" + final NUL = 11 characters.
  EXPECT_EQ(store.FetchSection("A", 11), std::string("ab=1\0cd=2\0\0", 11));
  EXPECT_EQ(store.FetchSection("A", 10), std::string("ab=1\0\0", 6));
  EXPECT_EQ(store.FetchSection("A", 5), std::string("\0", 1));
}

TEST(ProfileStore, ReplacingTheLastSectionEndsAnUnterminatedHeadLine) {
  // A head line at the very end of the file, without a line feed (plain or after a lone CR),
  // must not swallow the new body into itself.
  for (const char* text : {"[ID]\r\nA = 1\r\n[Inputs]", "[ID]\r\n[Inputs] junk\r"}) {
    ProfileStore store{std::string(text)};
    store.ReplaceSection("Inputs", std::string("Bore = 4\0\0", 10));
    const auto rows = KeyedFile::ParseSection(store.FetchSection("Inputs", 4096));
    ASSERT_EQ(rows.size(), 1u) << text;
    EXPECT_EQ(rows[0], std::make_pair(std::string("Bore"), std::string("4"))) << text;
  }
}

TEST(ProfileStore, ReplaceSectionKeepsTheOtherSectionsAndAppendsNewOnes) {
  ProfileStore store("; note\r\n[A]\r\nOld = 1\r\n[B]\r\nKeep = 2\r\n");
  store.ReplaceSection("A", std::string("New = 3\0\0", 9));
  store.ReplaceSection("C", std::string("Z = 4\0\0", 7));
  EXPECT_EQ(store.text(), "; note\r\n[A]\r\nNew = 3\r\n[B]\r\nKeep = 2\r\n[C]\r\nZ = 4\r\n");
}

TEST(ProfileStore, ReplacingASectionWhoseHeadEndsTheTextKeepsItsBody) {
  for (const char* text : {"x\n[A]", "x\n[A]\r", "[A]\r\n"}) {
    ProfileStore store(text);
    store.ReplaceSection("A", std::string("K = 1\0\0", 7));
    EXPECT_EQ(store.FetchSection("A", 100), std::string("K=1\0\0", 5)) << text;
  }
}

TEST(KeyedFile, ParsingFollowsTheSectionRules) {
  struct Row {
    const char* name;
    std::string fetched;
    std::vector<std::pair<std::string, std::string>> expected;
  };
  const std::vector<Row> rows = {
      {"plain", std::string("a=1\0b=2\0\0", 9), {{"a", "1"}, {"b", "2"}}},
      {"line without = ends the section", std::string("a=1\0junk\0b=2\0\0", 14), {{"a", "1"}}},
      {"entry starting with = has none", std::string("=x\0a=1\0\0", 8), {}},
      {"no NUL before the end", std::string("a=1", 3), {}},
      {"blanks", std::string("  k=v  \0\0", 9), {{"k", "v"}}},
      {"value may hold =", std::string("k=a=b\0\0", 7), {{"k", "a=b"}}},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(KeyedFile::ParseSection(row.fetched), row.expected) << row.name;
  }
}

TEST(KeyedFile, FirstOfTwoEqualKeysWinsAndKeysAreCaseSensitive) {
  test::TempDir dir;
  WriteText(dir / "f.ini", "[S]\r\nKey = first\r\nKey = second\r\nkey = small\r\n");
  KeyedFile f;
  f.BeginFile(dir / "f.ini", true);
  f.OpenSection("S", 4096);
  std::string a, b, c;
  f.IOString("Key", a, "d");
  f.IOString("key", b, "d");
  f.IOString("KEY", c, "d");
  EXPECT_EQ(a, "first");
  EXPECT_EQ(b, "small");
  EXPECT_EQ(c, "d");
}

TEST(KeyedFile, TypedReadsConvertOrGiveZero) {
  test::TempDir dir;
  WriteText(dir / "f.ini",
            "[S]\r\nB1 = 1\r\nB2 = -1\r\nB3 = 7\r\nB4 = abc\r\nI1 = 12,5\r\nI2 = 13.5\r\n"
            "I3 = 99999\r\nI4 = x\r\nL1 = 70000\r\nS1 = 12,8\r\nS2 = 12.8\r\nS3 = 1e50\r\n"
            "D1 = -0,25\r\nD2 = 2.5.1\r\n");
  KeyedFile f;
  f.BeginFile(dir / "f.ini", true);
  f.OpenSection("S", 4096);
  struct FlagRow {
    const char* key;
    bool expected;
  };
  for (const FlagRow& row :
       {FlagRow{"B1", true}, FlagRow{"B2", true}, FlagRow{"B3", true}, FlagRow{"B4", false}}) {
    bool value = !row.expected;
    f.IOBoolean(row.key, value, !row.expected);
    EXPECT_EQ(value, row.expected) << row.key;
  }
  bool missing = false;
  f.IOBoolean("Missing", missing, true);
  EXPECT_TRUE(missing);

  struct IntRow {
    const char* key;
    int expected;
  };
  // Halves round to even; out of range or not a number reads as 0, not as the default.
  for (const IntRow& row : {IntRow{"I1", 12}, IntRow{"I2", 14}, IntRow{"I3", 0}, IntRow{"I4", 0},
                            IntRow{"Missing", 77}}) {
    std::int16_t value = 5;
    f.IOInteger(row.key, value, 77);
    EXPECT_EQ(value, row.expected) << row.key;
  }
  std::int32_t l = 0;
  f.IOLong("L1", l, 1);
  EXPECT_EQ(l, 70000);

  float s1 = 0, s2 = 0, s3 = 5;
  f.IOSingle("S1", s1, 0);
  f.IOSingle("S2", s2, 0);
  f.IOSingle("S3", s3, 9);
  EXPECT_EQ(s1, 12.8f);
  EXPECT_EQ(s2, 12.8f);
  EXPECT_EQ(s3, 0.0f);
  double d1 = 0, d2 = 5;
  f.IODouble("D1", d1, 0);
  f.IODouble("D2", d2, 9);
  EXPECT_EQ(d1, -0.25);
  EXPECT_EQ(d2, 0.0);
}

TEST(KeyedFile, DefaultValuesAreNeverWrittenAndReturningToDefaultRemovesTheLine) {
  test::TempDir dir;
  const fs::path path = dir / "f.ini";
  auto write = [&](float single, std::string text) {
    KeyedFile f;
    f.BeginFile(path, false);
    f.OpenSection("S", 4096);
    f.IOSingle("Single", single, 3.48f);
    f.IOString("Text", text, "");
    f.CloseSection();
    ASSERT_TRUE(f.EndFile());
  };
  write(4.5f, "hello");
  EXPECT_EQ(ReadText(path), "[S]\r\nSingle = 4.5\r\nText = hello\r\n");
  write(3.48f, "hello");
  EXPECT_EQ(ReadText(path), "[S]\r\nText = hello\r\n");
  write(3.48f, "");
  EXPECT_EQ(ReadText(path), "[S]\r\n");
}

TEST(KeyedFile, NumbersAreWrittenWithAPointAndReadBackExactly) {
  test::TempDir dir;
  const fs::path path = dir / "f.ini";
  float single = 12.8f;
  double dbl = 0.1 + 0.2;
  std::int16_t i16 = -32768;
  std::int32_t i32 = 2147483647;
  bool flag = true;
  const DateTime date = *ParseDate("2021-02-28 13:04:05");
  DateTime dateVar = date;
  {
    KeyedFile f;
    f.BeginFile(path, false);
    f.OpenSection("S", 4096);
    f.IOSingle("F", single, 0);
    f.IODouble("D", dbl, 0);
    f.IOInteger("I", i16, 0);
    f.IOLong("L", i32, 0);
    f.IOBoolean("B", flag, false);
    f.IODate("T", dateVar, DateTime{});
    f.CloseSection();
    ASSERT_TRUE(f.EndFile());
  }
  EXPECT_EQ(ReadText(path),
            "[S]\r\nF = 12.8\r\nD = 0.30000000000000004\r\nI = -32768\r\nL = 2147483647\r\n"
            "B = -1\r\nT = 2021-02-28 13:04:05\r\n");
  KeyedFile f;
  f.BeginFile(path, true);
  f.OpenSection("S", 4096);
  float single2 = 0;
  double dbl2 = 0;
  DateTime date2{};
  f.IOSingle("F", single2, 0);
  f.IODouble("D", dbl2, 0);
  f.IODate("T", date2, DateTime{});
  EXPECT_EQ(single2, single);
  EXPECT_EQ(dbl2, dbl);
  EXPECT_EQ(date2, date);
}

TEST(KeyedFile, DatesAreWrittenShortAndABadDateIsAnError) {
  struct Row {
    const char* text;
    bool valid;
  };
  for (const Row& row : {Row{"2024-02-29", true}, Row{"2023-02-29", false}, Row{"2024-1-5", false},
                         Row{"2024-01-05 24:00", false}, Row{"2024-01-05 23:59", true},
                         Row{"", false}, Row{"yesterday", false}}) {
    EXPECT_EQ(ParseDate(row.text).has_value(), row.valid) << row.text;
  }
  EXPECT_EQ(FormatDate(*ParseDate("2024-02-29")), "2024-02-29");

  test::TempDir dir;
  WriteText(dir / "f.ini", "[S]\r\nT = not a date\r\n");
  KeyedFile f;
  f.BeginFile(dir / "f.ini", true);
  f.OpenSection("S", 4096);
  DateTime value{};
  try {
    f.IODate("T", value, DateTime{});
    FAIL() << "a bad date must raise";
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.number(), kErrTypeMismatch);
  }
}

TEST(KeyedFile, LineBreaksInATextValueCannotSplitTheEntry) {
  test::TempDir dir;
  const fs::path path = dir / "f.ini";
  std::string text = "two\r\nlines";
  std::string after = "kept";
  KeyedFile w;
  w.BeginFile(path, false);
  w.OpenSection("S", 4096);
  w.IOString("A", text, "");
  w.IOString("B", after, "");
  w.CloseSection();
  ASSERT_TRUE(w.EndFile());
  KeyedFile r;
  r.BeginFile(path, true);
  r.OpenSection("S", 4096);
  std::string b;
  r.IOString("B", b, "");
  EXPECT_EQ(b, "kept");
}

TEST(KeyedFile, HeaderCheckWarnsAndTheQuietFlagChoosesTheWording) {
  test::TempDir dir;
  WriteText(dir / "good.ini", "[ID]\r\nPurpose = Kind A\r\n");
  WriteText(dir / "bad.ini", "[ID]\r\nPurpose = Kind B\r\n");
  struct Row {
    const char* file;
    bool quiet;
    bool valid;
    std::string warning;
  };
  const std::vector<Row> rows = {
      {"good.ini", false, true, ""},
      {"bad.ini", false, false, (dir / "bad.ini").string() + " is not kind A."},
      {"bad.ini", true, false, (dir / "bad.ini").string() + " is not kind A.\r\nDefaults"},
      {"missing.ini", false, false, (dir / "missing.ini").string() + " is not kind A."},
  };
  for (const Row& row : rows) {
    FakePrompter prompter;
    KeyedFile f;
    f.BeginFile(dir / row.file, true);
    EXPECT_EQ(f.CheckHeader("Kind A", row.quiet, " is not kind A.", "Defaults", prompter),
              row.valid);
    EXPECT_EQ(prompter.beeps, row.valid ? 0 : 1) << row.file;
    EXPECT_EQ(prompter.warnings.empty() ? "" : prompter.warnings[0], row.warning) << row.file;
  }
}

TEST(KeyedFile, AFailedWriteLeavesTheOldFileByteForByte) {
  test::TempDir dir;
  const fs::path path = dir / "f.ini";
  const std::string old = "[S]\r\nA = 1\r\n";
  WriteText(path, old);
  fs::permissions(path, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  std::string value = "2";
  KeyedFile f;
  f.BeginFile(path, false);
  f.OpenSection("S", 4096);
  f.IOString("A", value, "");
  f.CloseSection();
  std::string reason;
  EXPECT_FALSE(f.EndFile(&reason));
  EXPECT_FALSE(reason.empty());
  EXPECT_EQ(ReadText(path), old);

  KeyedFile g;
  g.BeginFile(dir / "no such folder" / "f.ini", false);
  g.OpenSection("S", 4096);
  g.CloseSection();
  EXPECT_FALSE(g.EndFile());
}

// A file the program wrote reads back whole, however long a section grew: values of 4000
// characters and more make a section far longer than the buffer its file kind gives it.
// "K0", "K1", ...: built by appending, as GCC 12 at -O3 warns (falsely) about "K" + a
// temporary string.
std::string KeyNumbered(std::size_t k) {
  std::string key = "K";
  key += std::to_string(k);
  return key;
}

TEST(KeyedFile, ASectionLongerThanItsBufferIsReadWhole) {
  test::TempDir dir;
  const fs::path path = dir / "long.ini";
  std::vector<std::string> values;
  for (char c : std::string("abcde")) values.push_back(std::string(4000, c));
  {
    KeyedFile f;
    f.BeginFile(path, false);
    f.OpenSection("Inputs", 4096);
    for (std::size_t k = 0; k < values.size(); ++k) {
      f.IOString(KeyNumbered(k), values[k], "");
    }
    std::int16_t last = 7;
    f.IOInteger("Last", last, 0);
    f.CloseSection();
    ASSERT_TRUE(f.EndFile());
  }
  KeyedFile f;
  f.BeginFile(path, true);
  f.OpenSection("Inputs", 4096);
  for (std::size_t k = 0; k < values.size(); ++k) {
    std::string value;
    f.IOString(KeyNumbered(k), value, "none");
    EXPECT_EQ(value, values[k]) << k;
  }
  std::int16_t last = 0;
  f.IOInteger("Last", last, 0);
  EXPECT_EQ(last, 7);
}

// Files up to 16 MB are read (here one padded with blank lines to exactly that size, its keys
// after the padding); one byte more and the file is refused, with the reason.
TEST(KeyedFile, AFileLargerThan16MBIsRefused) {
  test::TempDir dir;
  const std::string head = "[ID]\r\nPurpose = Orvantis Engine File\r\n[Inputs]\r\n";
  const std::string tail = "Bore = 4.5\r\n";
  const std::size_t padding = ProfileStore::kMaxFileBytes - head.size() - tail.size();
  WriteText(dir / "full.OV", head + std::string(padding, '\n') + tail);
  WriteText(dir / "over.OV", head + std::string(padding + 1, '\n') + tail);
  ASSERT_EQ(fs::file_size(dir / "full.OV"), 16u * 1024 * 1024);

  EngineInputs in;
  FakePrompter notifier;
  std::string reason;
  ASSERT_TRUE(EngineFileIO(dir / "full.OV", in, true, false, notifier, &reason)) << reason;
  EXPECT_EQ(in.Bore, 4.5);
  EXPECT_TRUE(notifier.warnings.empty());

  EXPECT_FALSE(EngineFileIO(dir / "over.OV", in, true, false, notifier, &reason));
  EXPECT_EQ(reason, "the file is larger than 16 MB, which no engine or settings file is");
  ASSERT_EQ(notifier.warnings.size(), 1u);
  EXPECT_EQ(notifier.warnings[0], (dir / "over.OV").string() + " is not an Orvantis engine file.");
  EXPECT_EQ(in.Bore, 4.5);  // the engine stays as it was
}

// A line without "=" ends the reading of its section as the file format says; when keys follow
// it, the user is told which file, section and line.
TEST(KeyedFile, ALineWithoutEqualsEndsItsSectionAndIsTold) {
  struct Row {
    const char* name;
    std::string body;
    const char* afterKey;  // the value of "After", "default" when it was not read
    std::string warning;   // after the path; empty when nothing is said
  };
  const std::vector<Row> rows = {
      {"comment between keys", "Before = 1\r\n; my note\r\n\r\nAfter = 2\r\n", "default",
       ": section [S], line 3: \"; my note\" has no \"=\"; it ends the reading of the section, "
       "and the keys after it take their default values."},
      {"entry starting with =", "Before = 1\r\n  = 5  \r\nAfter = 2\r\n", "default",
       ": section [S], line 3: \"= 5\" has no \"=\"; it ends the reading of the section, and the "
       "keys after it take their default values."},
      {"comment as the last line", "Before = 1\r\nAfter = 2\r\n# end\r\n[T]\r\nX = 1\r\n", "2", ""},
      {"no comment", "Before = 1\r\nAfter = 2\r\n", "2", ""},
  };
  for (const Row& row : rows) {
    test::TempDir dir;
    const fs::path path = dir / "f.ini";
    WriteText(path, "[S]\r\n" + row.body);
    FakePrompter notifier;
    KeyedFile f;
    f.BeginFile(path, true, &notifier);
    f.OpenSection("S", 4096);
    std::string before, after;
    f.IOString("Before", before, "default");
    f.IOString("After", after, "default");
    EXPECT_EQ(before, "1") << row.name;
    EXPECT_EQ(after, row.afterKey) << row.name;
    if (row.warning.empty()) {
      EXPECT_TRUE(notifier.warnings.empty()) << row.name;
    } else {
      ASSERT_EQ(notifier.warnings.size(), 1u) << row.name;
      EXPECT_EQ(notifier.warnings[0], path.string() + row.warning) << row.name;
    }
  }
}

// A number that would read back as something else (0) is refused, and nothing is written.
TEST(KeyedFile, NumbersThatWouldNotReadBackAreNotWritten) {
  test::TempDir dir;
  const fs::path path = dir / "f.ini";
  WriteText(path, "[S]\r\nOld = 1\r\n");
  for (double bad :
       {std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
        std::numeric_limits<double>::quiet_NaN()}) {
    KeyedFile f;
    f.BeginFile(path, false);
    f.OpenSection("S", 4096);
    float single = static_cast<float>(bad);
    double wide = 1.5;
    f.IODouble("Fine", wide, 0);
    f.IOSingle("Bad", single, 0);
    f.CloseSection();
    std::string reason;
    EXPECT_FALSE(f.EndFile(&reason));
    EXPECT_NE(reason.find("the value of Bad ("), std::string::npos) << reason;
    EXPECT_EQ(ReadText(path), "[S]\r\nOld = 1\r\n");
  }
}

}  // namespace
}  // namespace orv
