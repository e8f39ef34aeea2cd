#include <gtest/gtest.h>
#include <windows.h>

#include "framework/base/paths.h"
#include "framework/base/text.h"
#include "support/tempdir.h"

using namespace framework;

namespace {

DWORD AttributesOf(const std::string& path) { return GetFileAttributesW(Widen(path).c_str()); }

}  // namespace

TEST(WriteFileAtomically, AReplacedFileKeepsItsHiddenAndSystemAttributesAndAReadOnlyOneIsRefused) {
  constexpr DWORD kVisibility = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_READONLY;
  struct Case {
    const char* name;
    DWORD before;
    bool written;
  } cases[] = {
      {"_Buf.RFB", FILE_ATTRIBUTE_HIDDEN, true},
      {"system.RFB", FILE_ATTRIBUTE_SYSTEM, true},
      {"both.RFB", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM, true},
      {"plain.RFB", FILE_ATTRIBUTE_NORMAL, true},
      {"kept.RFB", FILE_ATTRIBUTE_READONLY, false},
      {"kept hidden.RFB", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN, false},
  };
  TempDir dir;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = dir.PathOf(c.name);
    dir.WriteFile(c.name, "old\r\n");
    ASSERT_TRUE(SetFileAttributesW(Widen(path).c_str(), c.before));
    ASSERT_EQ(AttributesOf(path) & kVisibility, c.before & kVisibility);

    EXPECT_EQ(WriteFileAtomically(path, "new\r\n"), c.written);
    EXPECT_EQ(AttributesOf(path) & kVisibility, c.before & kVisibility);
    EXPECT_EQ(*ReadWholeFile(path), c.written ? "new\r\n" : "old\r\n");
  }
  // A new file is plain, and nothing is left beside the files.
  EXPECT_TRUE(WriteFileAtomically(dir.PathOf("new.RFB"), "x"));
  EXPECT_EQ(AttributesOf(dir.PathOf("new.RFB")) & kVisibility, 0u);
  EXPECT_EQ(dir.FileNames().size(), std::size(cases) + 1);
}

// A writer ended between writing its temporary file and renaming it leaves
// that file behind. The next write of the same file removes such leftovers
// (one hidden under this process's own id would otherwise stop it) and
// leaves every other file alone.
TEST(WriteFileAtomically, TemporaryFilesLeftByAnEndedWriterAreRemovedByTheNextWrite) {
  TempDir dir;
  const std::string own = "Kaleidon.ini.~" + std::to_string(GetCurrentProcessId()) + ".tmp";
  const char* leftovers[] = {"Kaleidon.ini.~4242.tmp", "kaleidon.INI.~7.TMP"};
  const char* kept[] = {"Kaleidon.ini.~abc.tmp", "Kaleidon.ini.~.tmp", "WPFile.BMP.~4242.tmp"};
  dir.WriteFile("Kaleidon.ini", "[SysInfo]\r\n");
  dir.WriteFile(own, "[SysIn");
  ASSERT_TRUE(SetFileAttributesW(Widen(dir.PathOf(own)).c_str(), FILE_ATTRIBUTE_HIDDEN));
  for (const char* name : leftovers) dir.WriteFile(name, "[Sys");
  for (const char* name : kept) dir.WriteFile(name, "other");

  ASSERT_TRUE(WriteFileAtomically(dir.PathOf("Kaleidon.ini"), "[SysInfo]\r\nSplash=0\r\n"));
  EXPECT_EQ(*ReadWholeFile(dir.PathOf("Kaleidon.ini")), "[SysInfo]\r\nSplash=0\r\n");
  EXPECT_FALSE(dir.Exists(own));
  for (const char* name : leftovers) EXPECT_FALSE(dir.Exists(name)) << name;
  EXPECT_EQ(dir.FileNames().size(), std::size(kept) + 1);
}

TEST(FileReplacement, PiecesWrittenAtAnyOffsetReachTheFileOnlyAtCommit) {
  TempDir dir;
  const std::string path = dir.PathOf("WPFile.BMP");
  dir.WriteFile("WPFile.BMP", "old");
  {
    FileReplacement file(path);
    ASSERT_TRUE(file.Write("0123456789"));
    ASSERT_TRUE(file.WriteAt(2, "ab"));
    ASSERT_TRUE(file.Write("c"));  // on from where the last write ended
    ASSERT_TRUE(file.WriteAt(8, "xyz"));
    EXPECT_EQ(*ReadWholeFile(path), "old");
    ASSERT_TRUE(file.Commit());
  }
  EXPECT_EQ(*ReadWholeFile(path), "01abc567xyz");
  {
    FileReplacement dropped(path);
    ASSERT_TRUE(dropped.Write("new"));
  }  // never committed
  EXPECT_EQ(*ReadWholeFile(path), "01abc567xyz");
  EXPECT_EQ(dir.FileNames(), std::vector<std::string>{"WPFile.BMP"});

  dir.SetReadOnly("WPFile.BMP", true);
  FileReplacement refused(path);
  EXPECT_FALSE(refused.Write("new"));
  EXPECT_FALSE(refused.Commit());
  dir.SetReadOnly("WPFile.BMP", false);
  EXPECT_EQ(*ReadWholeFile(path), "01abc567xyz");
}
