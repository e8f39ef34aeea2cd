// A picture folder's exclusion list _Never.RFB: what is stored, in which
// encoding, and what happens when the folder will not take it.
#include "selection/exclusions.h"

#include <gtest/gtest.h>

#include "framework/base/exception.h"
#include "framework/base/text.h"
#include "selection/historytext.h"
#include "support/tempdir.h"

using namespace kaleidon;
using Names = std::vector<std::string>;

namespace {

Names Stored(const TempDir& dir) { return ParseHistoryText(framework::DecodeStoredText(dir.ReadFile("_Never.RFB"))); }

}  // namespace

TEST(Exclusions, EntriesAreStoredOnceInTheHistorysEncodingAndMatchIgnoringCase) {
  TempDir folder;
  const std::string path = folder.PathOf("_Never.RFB");
  ExcludePicture({folder.PathOf("b.jpg"), {}});
  ExcludePicture({folder.PathOf("写真.jpg"), {}});
  ExcludePicture({folder.PathOf("B.JPG"), {}});  // the same picture
  ExcludePicture({folder.PathOf("set.lzh"), "sub\\a.bmp"});
  // Names that fit the code page: Shift-JIS, sorted, as a history is.
  EXPECT_EQ(folder.ReadFile("_Never.RFB"), "b.jpg\r\nset.lzh\\sub\\a.bmp\r\n" + framework::ToAnsi("写真.jpg") + "\r\n");
  EXPECT_EQ(ExcludedCount(folder.path()), 3u);

  // A name that needs more turns the file into UTF-8 with its mark, and
  // every name stays whole.
  ExcludePicture({folder.PathOf("𠮷.jpg"), {}});
  ExcludePicture({folder.PathOf("set.lzh"), "한글.bmp"});
  EXPECT_EQ(folder.ReadFile("_Never.RFB").substr(0, 3), "\xEF\xBB\xBF");
  EXPECT_EQ(Stored(folder), (Names{"b.jpg", "set.lzh\\sub\\a.bmp", "set.lzh\\한글.bmp", "写真.jpg", "𠮷.jpg"}));

  const Exclusions list = Exclusions::Load(folder.path());
  EXPECT_EQ(list.Size(), 5u);
  for (const char* name : {"B.jpg", "写真.JPG", "𠮷.jpg"}) EXPECT_TRUE(list.ExcludesFile(name)) << name;
  EXPECT_FALSE(list.ExcludesFile("a.bmp"));
  EXPECT_FALSE(list.ExcludesFile("set.lzh"));
  EXPECT_TRUE(list.ExcludesMember("SET.LZH", "Sub\\A.bmp"));
  EXPECT_FALSE(list.ExcludesMember("other.lzh", "sub\\a.bmp"));
  EXPECT_EQ(list.AllowedMembers("set.lzh", {"한글.bmp", "x.bmp", "sub\\a.bmp"}), Names{"x.bmp"});
}

TEST(Exclusions, ARefusedWriteLeavesTheOldListWholeAndClearingDeletesOnlyTheList) {
  TempDir folder;
  folder.WriteFile("a.jpg", "A");
  folder.WriteFile("_Buf.RFB", "a.jpg\r\n");
  ExcludePicture({folder.PathOf("a.jpg"), {}});
  const std::string before = folder.ReadFile("_Never.RFB");
  folder.SetReadOnly("_Never.RFB", true);
  EXPECT_THROW(ExcludePicture({folder.PathOf("𠮷.jpg"), {}}), framework::EWriteRefused);
  EXPECT_EQ(folder.ReadFile("_Never.RFB"), before);
  EXPECT_EQ(folder.FileNames(), (Names{"_Buf.RFB", "_Never.RFB", "a.jpg"}));
  // A read-only list is not deleted behind the user's back either.
  EXPECT_THROW(ClearExclusions(folder.path()), framework::EWriteRefused);
  EXPECT_EQ(ExcludedCount(folder.path()), 1u);
  folder.SetReadOnly("_Never.RFB", false);

  ClearExclusions(folder.path());
  EXPECT_EQ(folder.FileNames(), (Names{"_Buf.RFB", "a.jpg"}));
  EXPECT_EQ(ExcludedCount(folder.path()), 0u);
  ClearExclusions(folder.path());  // nothing to clear
  // No picture to name: nothing is written.
  EXPECT_THROW(ExcludePicture({folder.path(), {}}), framework::Exception);
  EXPECT_FALSE(folder.Exists("_Never.RFB"));
}
