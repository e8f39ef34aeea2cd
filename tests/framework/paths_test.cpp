#include <gtest/gtest.h>
#include <windows.h>

#include "framework/paths.h"
#include "framework/text.h"
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
