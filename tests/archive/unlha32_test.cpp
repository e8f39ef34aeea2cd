#include "archive/unlha32.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "archive/membername.h"
#include "framework/base/paths.h"
#include "framework/base/text.h"
#include "lzhwriter.h"
#include "support/fixtures.h"
#include "support/messageboxes.h"
#include "support/tempdir.h"

using namespace kaleidon;

namespace {

// A folder of the build tree as Wine sees it (Z: maps "/").
std::string BuildFolder(const std::string& relative) { return BuildOutputPath(relative) + "\\"; }

std::string ArchivePath(const std::string& name) { return BuildFolder("fixtures/archives") + name; }
std::string SourceFile(const std::string& name) {
  return framework::ReadWholeFile(BuildFolder("fixtures/archives/files") + name).value_or("<missing>");
}

const std::vector<std::string> kMembers = {"a.bmp", "sub\\b.JPG", "c.txt", "壁紙.bmp"};

// Points the DLL search at one of the fixture libraries (or at nothing) and
// binds it; releases it at the end.
class LibraryTest : public ::testing::Test {
 protected:
  void Use(const char* fixtureFolder) {
    SetDllDirectoryW(fixtureFolder ? framework::Widen(BuildFolder(fixtureFolder)).c_str() : L"");
    LoadUnlhaLibrary(boxes);
  }
  void TearDown() override {
    FreeUnlhaLibrary();
    SetDllDirectoryW(nullptr);
  }

  MessageBoxRecorder boxes;
  TempDir dir;
};

template <typename R, typename... A>
bool AnswersZero(R(WINAPI* slot)(A...)) {
  return slot(A{}...) == R{};
}

// The binding table, written out here on its own.
const std::vector<std::pair<std::string, std::string>> kFunctions = {
    {"UnlhaGetVersion", "UnlhaGetVersion"},
    {"UnlhaGetSubVersion", "UnlhaGetSubVersion"},
    {"UnlhaGetRunning", "UnlhaGetRunning"},
    {"UnlhaGetBackGroundMode", "UnlhaGetBackGroundMode"},
    {"UnlhaSetBackGroundMode", "UnlhaSetBackGroundMode"},
    {"UnlhaGetCursorMode", "UnlhaGetCursorMode"},
    {"UnlhaSetCursorMode", "UnlhaSetCursorMode"},
    {"UnlhaGetCursorInterval", "UnlhaGetCursorInterval"},
    {"UnlhaSetCursorInterval", "UnlhaSetCursorInterval"},
    {"Unlha", "Unlha"},
    {"UnlhaCheckArchive", "UnlhaCheckArchive"},
    {"UnlhaConfigDialog", "UnlhaConfigDialog"},
    {"UnlhaGetFileCount", "UnlhaGetFileCount"},
    {"UnlhaOpenArchive", "UnlhaOpenArchive"},
    {"UnlhaCloseArchive", "UnlhaCloseArchive"},
    {"UnlhaFindFirst", "UnlhaFindFirst"},
    {"UnlhaFindNext", "UnlhaFindNext"},
    {"UnlhaGetArcFileName", "UnlhaGetArcFileName"},
    {"UnlhaGetArcFileSize", "UnlhaGetArcFileSize"},
    {"UnlhaGetArcOriginalSize", "UnlhaGetArcOriginalSize"},
    {"UnlhaGetArcCompressedSize", "UnlhaGetArcCompessedSize"},
    {"UnlhaGetArcRatio", "UnlhaGetArcRatio"},
    {"UnlhaGetArcDate", "UnlhaGetArcDate"},
    {"UnlhaGetArcTime", "UnlhaGetArcTime"},
    {"UnlhaGetArcOSType", "UnlhaGetArcOSType"},
    {"UnlhaGetFileName", "UnlhaGetFileName"},
    {"UnlhaGetMethod", "UnlhaGetMethod"},
    {"UnlhaGetOriginalSize", "UnlhaGetOriginalSize"},
    {"UnlhaGetCompressedSize", "UnlhaGetCompressedSize"},
    {"UnlhaGetRatio", "UnlhaGetRatio"},
    {"UnlhaGetDate", "UnlhaGetDate"},
    {"UnlhaGetTime", "UnlhaGetTime"},
    {"UnlhaGetWriteTime", "UnlhaGetWriteTime"},
    {"UnlhaGetAccessTime", "UnlhaGetAcessTime"},
    {"UnlhaGetCreateTime", "UnlhaGetCreateTime"},
    {"UnlhaGetCRC", "UnlhaGetCRC"},
    {"UnlhaGetAttribute", "UnlhaGetAttribute"},
    {"UnlhaGetOSType", "UnlhaGetOSType"},
    {"UnlhaQueryFunctionList", "UnlhaQueryFunctionList"},
    {"UnlhaSetOwnerWindow", "UnlhaSetOwnerWindow"},
    {"UnlhaClearOwnerWindow", "UnlhaClearOwnerWindow"},
};

}  // namespace

// --- Without the library ---

TEST_F(LibraryTest, MissingLibraryEveryFunctionReportsItselfAndAnswersZero) {
  Use(nullptr);
  EXPECT_FALSE(UnlhaLoaded());
  EXPECT_EQ(UnlhaModule(), nullptr);
  EXPECT_TRUE(boxes.Calls().empty()) << "a missing library is not reported at start";

  std::vector<UnlhaFunction> table = UnlhaFunctions();
  ASSERT_EQ(table.size(), kFunctions.size());
  for (size_t i = 0; i < table.size(); ++i) {
    EXPECT_EQ(table[i].exportName, kFunctions[i].first);
    EXPECT_FALSE(table[i].bound);
  }

  std::vector<bool> zero;
#define CALL_SLOT(name, message, result, params) zero.push_back(AnswersZero(kaleidon::name));
  KALEIDON_UNLHA_FUNCTIONS(CALL_SLOT)
#undef CALL_SLOT
  ASSERT_EQ(boxes.Count(), kFunctions.size());
  for (size_t i = 0; i < kFunctions.size(); ++i) {
    const framework::MessageBoxCall& call = boxes.Calls()[i];
    EXPECT_EQ(call.text, kFunctions[i].second + ": LHA.DLL not loaded.");
    EXPECT_EQ(call.caption, "PANIC!!");
    EXPECT_EQ(call.flags, static_cast<unsigned>(MB_OK | MB_ICONERROR));
    EXPECT_EQ(call.owner, nullptr);
    EXPECT_TRUE(zero[i]) << kFunctions[i].first;
  }

  // Every call reports again: nothing is remembered.
  boxes.Clear();
  EXPECT_EQ(kaleidon::Unlha(nullptr, "e", nullptr, 0), 0);
  EXPECT_EQ(kaleidon::Unlha(nullptr, "e", nullptr, 0), 0);
  EXPECT_EQ(boxes.Count(), 2u);
}

TEST_F(LibraryTest, MissingLibraryEnumerationsAndExtractionEndAtOnce) {
  Use(nullptr);
  EXPECT_TRUE(ListArchiveEntries(ArchivePath("level2.lzh"), 256).empty());
  ASSERT_EQ(boxes.Count(), 1u);
  EXPECT_EQ(boxes.Last().text, "UnlhaOpenArchive: LHA.DLL not loaded.");

  boxes.Clear();
  EXPECT_FALSE(ExtractArchiveMember(nullptr, ArchivePath("level2.lzh"), dir.path(), "a.bmp", true));
  ASSERT_EQ(boxes.Count(), 1u);
  EXPECT_EQ(boxes.Last().text, "Unlha: LHA.DLL not loaded.");
  EXPECT_TRUE(dir.FileNames().empty());
  FreeUnlhaLibrary();
}

TEST_F(LibraryTest, LoadResultBelow32CountsAsNotLoaded) {
  BindUnlhaLibrary(reinterpret_cast<HMODULE>(5), boxes);
  EXPECT_FALSE(UnlhaLoaded());
  EXPECT_FALSE(UnlhaFunctionBound("Unlha"));
  EXPECT_EQ(kaleidon::UnlhaOpenArchive(nullptr, "x.lzh", 1), nullptr);
  ASSERT_EQ(boxes.Count(), 1u);
  EXPECT_EQ(boxes.Last().text, "UnlhaOpenArchive: LHA.DLL not loaded.");
}

// --- With the library ---

TEST_F(LibraryTest, LoadedLibraryReplacesTheFallbacksItExports) {
  Use("fixtures/unlha32");
  ASSERT_TRUE(UnlhaLoaded());
  EXPECT_NE(UnlhaModule(), nullptr);
  // The 32-bit test library lies above 2 GB (its CMakeLists.txt): a handle
  // that reads as negative is a module all the same.
  if (sizeof(void*) == 4) {
    EXPECT_GE(reinterpret_cast<uintptr_t>(UnlhaModule()), 0x80000000u);
  }
  EXPECT_EQ(kaleidon::UnlhaGetVersion(), 100);
  for (const char* name : {"Unlha", "UnlhaOpenArchive", "UnlhaCloseArchive", "UnlhaFindFirst", "UnlhaFindNext"})
    EXPECT_TRUE(UnlhaFunctionBound(name)) << name;
  EXPECT_TRUE(boxes.Calls().empty());

  // An export this library lacks still reports.
  EXPECT_FALSE(UnlhaFunctionBound("UnlhaGetArcCompressedSize"));
  EXPECT_EQ(kaleidon::UnlhaGetArcCompressedSize(nullptr), 0u);
  ASSERT_EQ(boxes.Count(), 1u);
  EXPECT_EQ(boxes.Last().text, "UnlhaGetArcCompessedSize: LHA.DLL not loaded.");

  FreeUnlhaLibrary();
  EXPECT_FALSE(UnlhaLoaded());
  EXPECT_FALSE(UnlhaFunctionBound("Unlha"));
}

TEST_F(LibraryTest, LibraryWithoutOneExportIsUsedAsFarAsItGoes) {
  Use("fixtures/unlha32-partial");
  ASSERT_TRUE(UnlhaLoaded());
  EXPECT_EQ(ListArchiveEntries(ArchivePath("level2.lzh"), 256), kMembers);
  EXPECT_TRUE(boxes.Calls().empty());
  EXPECT_EQ(kaleidon::UnlhaGetAccessTime(nullptr), 0u);
  ASSERT_EQ(boxes.Count(), 1u);
  EXPECT_EQ(boxes.Last().text, "UnlhaGetAcessTime: LHA.DLL not loaded.");
}

TEST_F(LibraryTest, EnumerationEndsAtAMissingFindFunction) {
  // The fallback's 0 would read as one more entry, for ever.
  Use("fixtures/unlha32-nofindnext");
  ASSERT_TRUE(UnlhaLoaded());
  EXPECT_EQ(ListArchiveEntries(ArchivePath("level2.lzh"), 256), std::vector<std::string>{"a.bmp"});
  ASSERT_EQ(boxes.Count(), 1u);
  EXPECT_EQ(boxes.Last().text, "UnlhaFindNext: LHA.DLL not loaded.");
}

class ArchiveKinds : public LibraryTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(ArchiveKinds, ListsEveryMemberInArchiveOrder) {
  Use("fixtures/unlha32");
  EXPECT_EQ(ListArchiveEntries(ArchivePath(GetParam()), 256), kMembers);
  EXPECT_EQ(ListArchiveEntries(ArchivePath(GetParam()), 2), std::vector<std::string>(kMembers.begin(), kMembers.begin() + 2));
  EXPECT_TRUE(boxes.Calls().empty());
}

TEST_P(ArchiveKinds, ExtractsOneMemberOrAllOfThemByFileName) {
  Use("fixtures/unlha32");
  std::string archive = ArchivePath(GetParam());

  // The archive dialog's way: the file name without its folder part.
  ASSERT_TRUE(ExtractArchiveMember(nullptr, archive, dir.PathOf("one"), "b.JPG", false));
  EXPECT_EQ(dir.FileNames("one"), std::vector<std::string>{"b.JPG"});
  EXPECT_EQ(dir.ReadFile("one\\b.JPG"), SourceFile("sub\\b.JPG"));

  // The random choice's way: the name as listed, with -n; the file lands
  // where membername says.
  ASSERT_TRUE(ExtractArchiveMember(nullptr, archive, dir.PathOf("temp\\"), "sub\\b.JPG", true));
  std::optional<std::string> landed = ExtractedMemberPath(dir.PathOf("temp\\"), "sub\\b.JPG");
  ASSERT_TRUE(landed);
  EXPECT_EQ(framework::ReadWholeFile(*landed), SourceFile("sub\\b.JPG"));
  ASSERT_TRUE(ExtractArchiveMember(nullptr, archive, dir.PathOf("temp\\"), "壁紙.bmp", true));
  EXPECT_EQ(dir.ReadFile("temp\\壁紙.bmp"), SourceFile("壁紙.bmp"));

  // All of them, over an older file of the same name.
  dir.WriteFile("all\\a.bmp", "old");
  ASSERT_TRUE(ExtractArchiveMember(nullptr, archive, dir.PathOf("all"), "*.*", false));
  EXPECT_EQ(dir.FileNames("all"), (std::vector<std::string>{"a.bmp", "b.JPG", "c.txt", "壁紙.bmp"}));
  EXPECT_EQ(dir.ReadFile("all\\a.bmp"), SourceFile("a.bmp"));
  EXPECT_EQ(dir.ReadFile("all\\c.txt"), SourceFile("c.txt"));
  EXPECT_EQ(dir.ReadFile("all\\壁紙.bmp"), SourceFile("壁紙.bmp"));
  EXPECT_TRUE(boxes.Calls().empty());
}

INSTANTIATE_TEST_SUITE_P(HeaderLevelsAndMethods, ArchiveKinds,
                         ::testing::Values("level0.lzh", "level1.lzh", "level2.lzh", "stored.lzh", "lh7.lzh"));

TEST_F(LibraryTest, ShiftJisNamesWhoseSecondByteIsABackslashStayWhole) {
  // 表 is 95 5C and ソ is 83 5C in Shift-JIS: the 5C is no folder separator.
  Use("fixtures/unlha32");
  LzhWriter lzh;
  lzh.AddLevel0(framework::ToAnsi("表示\\ソフト.bmp"), "level 0");
  lzh.AddLevel2({framework::ToAnsi("表")}, framework::ToAnsi("能ソ.bmp"), "level 2");
  dir.WriteFile("sjis.lzh", lzh.Bytes());
  std::string archive = dir.PathOf("sjis.lzh");
  EXPECT_EQ(ListArchiveEntries(archive, 256), (std::vector<std::string>{"表示\\ソフト.bmp", "表\\能ソ.bmp"}));
  ASSERT_TRUE(ExtractArchiveMember(nullptr, archive, dir.PathOf("out"), "ソフト.bmp", false));
  ASSERT_TRUE(ExtractArchiveMember(nullptr, archive, dir.PathOf("out"), "表\\能ソ.bmp", true));
  EXPECT_EQ(dir.ReadFile("out\\ソフト.bmp"), "level 0");
  EXPECT_EQ(dir.ReadFile("out\\能ソ.bmp"), "level 2");
  EXPECT_EQ(dir.FileNames("out").size(), 2u);
}

TEST_F(LibraryTest, PathsOutsideTheAnsiCodePageStillReachTheLibrary) {
  Use("fixtures/unlha32");
  // "é" has no Shift-JIS form.
  dir.WriteFile("café\\写真é.lzh", framework::ReadWholeFile(ArchivePath("level2.lzh")).value_or(""));
  dir.MakeFolder("出力é");
  std::string archive = dir.PathOf("café\\写真é.lzh");
  EXPECT_EQ(ListArchiveEntries(archive, 256), kMembers);
  ASSERT_TRUE(ExtractArchiveMember(nullptr, archive, dir.PathOf("出力é"), "壁紙.bmp", true));
  EXPECT_EQ(dir.ReadFile("出力é\\壁紙.bmp"), SourceFile("壁紙.bmp"));
}

TEST(ExtractCommandLine, FieldsInQuotationMarksFolderWithBackslash) {
  EXPECT_EQ(ExtractCommandLine("C:\\A B\\x.lzh", "C:\\K\\Temp\\", "p.jpg", true),
            "e -n \"C:\\A B\\x.lzh\" \"C:\\K\\Temp\\\" \"p.jpg\"");
  EXPECT_EQ(ExtractCommandLine("D:\\set1.lzh", "D:\\Out", "*.*", false), "e \"D:\\set1.lzh\" \"D:\\Out\\\" \"*.*\"");
  EXPECT_EQ(ExtractCommandLine("D:\\set1.lzh", "D:\\Out\\", "a\" \"C:\\Windows\\", false), "");
  EXPECT_EQ(ExtractCommandLine("D:\\set1.lzh", "D:\\Out\\", "a\r\nb", false), "");
  EXPECT_EQ(ExtractCommandLine("D:\\set1.lzh", "", "a.bmp", false), "");
  EXPECT_EQ(ExtractCommandLine("", "D:\\Out\\", "a.bmp", false), "");
}

TEST_F(LibraryTest, DamagedOrMissingArchivesListWhatCanBeReadAndExtractNothingBroken) {
  Use("fixtures/unlha32");
  EXPECT_TRUE(ListArchiveEntries(dir.PathOf("absent.lzh"), 256).empty());
  dir.WriteFile("garbage.lzh", std::string(300, '\x7f'));
  EXPECT_TRUE(ListArchiveEntries(dir.PathOf("garbage.lzh"), 256).empty());
  dir.WriteFile("empty.lzh", "");
  EXPECT_TRUE(ListArchiveEntries(dir.PathOf("empty.lzh"), 256).empty());

  // The stored archive cut inside its first member's data: the header is
  // still listed, but its data fails the length and CRC check, so the file
  // already there stays as it was and no partial file appears.
  std::string whole = framework::ReadWholeFile(ArchivePath("stored.lzh")).value_or("");
  ASSERT_GT(whole.size(), 5000u);
  dir.WriteFile("cut.lzh", whole.substr(0, 5000));
  EXPECT_EQ(ListArchiveEntries(dir.PathOf("cut.lzh"), 256), std::vector<std::string>{"a.bmp"});
  dir.WriteFile("out\\a.bmp", "keep");
  EXPECT_FALSE(ExtractArchiveMember(nullptr, dir.PathOf("cut.lzh"), dir.PathOf("out"), "*.*", true));
  EXPECT_EQ(dir.FileNames("out"), std::vector<std::string>{"a.bmp"});
  EXPECT_EQ(dir.ReadFile("out\\a.bmp"), "keep");

  // One flipped data byte: the CRC check refuses it.
  std::string flipped = whole;
  flipped[200] ^= 0x55;
  dir.WriteFile("flipped.lzh", flipped);
  EXPECT_FALSE(ExtractArchiveMember(nullptr, dir.PathOf("flipped.lzh"), dir.PathOf("out"), "a.bmp", true));
  EXPECT_EQ(dir.ReadFile("out\\a.bmp"), "keep");
  EXPECT_TRUE(boxes.Calls().empty());
}

TEST_F(LibraryTest, TraversalNamesNeverWriteOutsideTheTargetFolder) {
  Use("fixtures/unlha32");
  LzhWriter lzh;
  lzh.AddLevel0("..\\..\\up.bmp", "up");
  lzh.AddLevel0("C:\\drive.bmp", "drive");
  lzh.AddLevel0("\\root.bmp", "root");
  lzh.AddLevel0("C:stream.bmp", "stream");
  lzh.AddLevel0("CON", "device");
  lzh.AddLevel2({"..", ".."}, "up2.bmp", "up2");
  lzh.AddLevel2({"sub"}, "fine.bmp", "fine");
  dir.WriteFile("evil.lzh", lzh.Bytes());
  std::string archive = dir.PathOf("evil.lzh");

  // Listed as stored, so the program sees what it has to refuse.
  std::vector<std::string> names = ListArchiveEntries(archive, 256);
  EXPECT_EQ(names, (std::vector<std::string>{"..\\..\\up.bmp", "C:\\drive.bmp", "\\root.bmp", "C:stream.bmp", "CON",
                                             "..\\..\\up2.bmp", "sub\\fine.bmp"}));
  for (const std::string& name : names) EXPECT_EQ(IsSafeMemberName(name), name == "sub\\fine.bmp") << name;

  // The binding refuses an unsafe member before the library sees it.
  EXPECT_FALSE(ExtractArchiveMember(nullptr, archive, dir.PathOf("a\\b\\t"), "..\\..\\up.bmp", true));
  EXPECT_FALSE(dir.Exists("a\\b\\t"));

  // The library itself, given everything: only file names inside the target
  // folder, names it cannot place are skipped and reported.
  std::string command = framework::ToAnsi("e \"" + archive + "\" \"" + dir.PathOf("a\\b\\t\\") + "\" \"*.*\"");
  char report[256] = {};
  EXPECT_NE(kaleidon::Unlha(nullptr, command.c_str(), report, 255), 0);
  EXPECT_EQ(dir.FileNames("a\\b\\t"), (std::vector<std::string>{"drive.bmp", "fine.bmp", "root.bmp", "up.bmp", "up2.bmp"}));
  EXPECT_EQ(dir.FileNames("a\\b"), std::vector<std::string>{});
  EXPECT_EQ(dir.FileNames("a"), std::vector<std::string>{});
  EXPECT_EQ(dir.FileNames(), std::vector<std::string>{"evil.lzh"});
  EXPECT_FALSE(framework::FileExists("C:\\drive.bmp"));
  EXPECT_FALSE(framework::FileExists("C:\\root.bmp"));
  EXPECT_TRUE(boxes.Calls().empty());
}

TEST_F(LibraryTest, MembersReadIntoMemoryAsFarAsTheBufferGoes) {
  Use("fixtures/unlha32");
  ASSERT_TRUE(CanReadMembersIntoMemory());
  const std::string bmp = SourceFile("a.bmp");
  struct Case {
    const char* member;
    size_t most;
    std::string bytes;
    bool whole;
  };
  const Case cases[] = {
      {"a.bmp", 1 << 20, bmp, true},                  // all of it, reported done
      {"a.bmp", bmp.size(), bmp, true},               // exactly filling the buffer
      {"a.bmp", 26, bmp.substr(0, 26), false},        // what fits, reported as an error
      {"sub\\b.JPG", 1 << 20, SourceFile("sub/b.JPG"), true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.member) + " into " + std::to_string(c.most));
    const std::optional<MemberStart> start =
        ReadArchiveMemberStart(nullptr, ArchivePath("level2.lzh"), c.member, c.most);
    ASSERT_TRUE(start);
    EXPECT_EQ(start->bytes, c.bytes);
    EXPECT_EQ(start->whole, c.whole);
  }
  EXPECT_FALSE(ReadArchiveMemberStart(nullptr, ArchivePath("level2.lzh"), "none.bmp", 1024));
  EXPECT_FALSE(ReadArchiveMemberStart(nullptr, ArchivePath("level2.lzh"), "..\\a.bmp", 1024));

  // A library without the function: nothing is read, and nothing reported.
  FreeUnlhaLibrary();
  Use("fixtures/unlha32-partial");
  EXPECT_FALSE(CanReadMembersIntoMemory());
  EXPECT_FALSE(ReadArchiveMemberStart(nullptr, ArchivePath("level2.lzh"), "a.bmp", 1024));
  EXPECT_TRUE(boxes.Calls().empty());
}
