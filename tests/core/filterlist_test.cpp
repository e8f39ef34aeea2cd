#include "core/filterlist.h"

#include <gtest/gtest.h>

#include "support/tempdir.h"

using kaleidon::BuildFilterText;
using kaleidon::PictureFormat;

namespace {
const std::vector<PictureFormat> kBuiltIn = {
    {"jpeg", "JPEG Image File"}, {"jpg", "JPEG Image File"}, {"bmp", "ﾋﾞｯﾄﾏｯﾌﾟ"}};
}

TEST(FilterList, WithoutTheArchiveLibraryNoArchivePatternAppears) {
  EXPECT_EQ(BuildFilterText(kBuiltIn, false, ""),
            "すべて (*.jpeg;*.jpg;*.bmp)|*.jpeg;*.jpg;*.bmp"
            "|JPEG Image File (*.jpeg)|*.jpeg|JPEG Image File (*.jpg)|*.jpg|ﾋﾞｯﾄﾏｯﾌﾟ (*.bmp)|*.bmp"
            "|カスタムフィルタ|");
}

TEST(FilterList, WithTheArchiveLibraryArchivesJoinOnlyTheCombinedEntry) {
  std::string text = BuildFilterText(kBuiltIn, true, "");
  EXPECT_EQ(text,
            "すべて (*.lzh;*.jpeg;*.jpg;*.bmp)|*.lzh;*.jpeg;*.jpg;*.bmp"
            "|JPEG Image File (*.jpeg)|*.jpeg|JPEG Image File (*.jpg)|*.jpg|ﾋﾞｯﾄﾏｯﾌﾟ (*.bmp)|*.bmp"
            "|カスタムフィルタ|");
  EXPECT_EQ(text.find("ｱｰｶｲﾌﾞﾌｧｲﾙ"), std::string::npos);
}

TEST(FilterList, CustomMaskIsTheLastEntryAsWritten) {
  std::string text = BuildFilterText({{"PIC", "PIC File"}}, false, "*.PIC;*.MAG");
  EXPECT_EQ(text, "すべて (*.pic)|*.pic|PIC File (*.pic)|*.pic|カスタムフィルタ|*.PIC;*.MAG");
}

TEST(FilterList, ArchiveLibraryIsLookedForByNameWhateverItsCase) {
  TempDir system;
  EXPECT_FALSE(kaleidon::ArchiveLibraryInstalledIn(system.path()));
  system.WriteFile("UNLHA32.DLL", "MZ");
  EXPECT_TRUE(kaleidon::ArchiveLibraryInstalledIn(system.path()));
}

TEST(FormatList, OneEntryPerFormatAfterTheAllFilesEntryWhenThereIsMoreThanOne) {
  struct Case {
    std::vector<PictureFormat> formats;
    bool archives;
    std::string text;
  };
  for (const Case& c : {
           Case{kBuiltIn, false,
                "すべてのﾌｧｲﾙ (*.jpeg;*.jpg;*.bmp)|*.jpeg;*.jpg;*.bmp"
                "|JPEG Image File (*.jpeg)|*.jpeg|JPEG Image File (*.jpg)|*.jpg|ﾋﾞｯﾄﾏｯﾌﾟ (*.bmp)|*.bmp"},
           Case{kBuiltIn, true,
                "すべてのﾌｧｲﾙ (*.lzh;*.jpeg;*.jpg;*.bmp)|*.lzh;*.jpeg;*.jpg;*.bmp|ｱｰｶｲﾌﾞﾌｧｲﾙ (*.lzh)|*.lzh"
                "|JPEG Image File (*.jpeg)|*.jpeg|JPEG Image File (*.jpg)|*.jpg|ﾋﾞｯﾄﾏｯﾌﾟ (*.bmp)|*.bmp"},
           Case{{{"PIC", "PIC File"}}, false, "PIC File (*.pic)|*.pic"},
           Case{{}, true, "ｱｰｶｲﾌﾞﾌｧｲﾙ (*.lzh)|*.lzh"},
           Case{{}, false, ""},
       }) {
    EXPECT_EQ(kaleidon::BuildFormatListText(c.formats, c.archives), c.text);
  }
}
