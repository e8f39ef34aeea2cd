#include "archive/membername.h"

#include <gtest/gtest.h>

#include <string>

using kaleidon::ExtractedMemberPath;
using kaleidon::IsSafeMemberName;
using kaleidon::MemberFileName;
using kaleidon::MemberNameFromRecord;

TEST(MemberName, PlainNamesAndHarmlessFoldersLandUnderTheirFileName) {
  EXPECT_EQ(ExtractedMemberPath("C:\\K\\Temp\\", "cat.bmp"), "C:\\K\\Temp\\cat.bmp");
  EXPECT_EQ(ExtractedMemberPath("C:\\K\\Temp", "cat.bmp"), "C:\\K\\Temp\\cat.bmp");
  EXPECT_EQ(ExtractedMemberPath("C:\\K\\Temp\\", "sub\\b.JPG"), "C:\\K\\Temp\\b.JPG");
  EXPECT_EQ(ExtractedMemberPath("C:\\K\\Temp\\", "a/b/c.jpg"), "C:\\K\\Temp\\c.jpg");
  EXPECT_EQ(ExtractedMemberPath("C:\\K\\Temp\\", ".\\x.bmp"), "C:\\K\\Temp\\x.bmp");
  EXPECT_EQ(ExtractedMemberPath("C:\\K\\Temp\\", "写真\\壁紙.bmp"), "C:\\K\\Temp\\壁紙.bmp");
  EXPECT_EQ(ExtractedMemberPath("C:\\K\\Temp\\", "..hidden.bmp"), "C:\\K\\Temp\\..hidden.bmp");
  EXPECT_EQ(ExtractedMemberPath("C:\\K\\Temp\\", "a..b\\x.bmp"), "C:\\K\\Temp\\x.bmp");
  EXPECT_EQ(ExtractedMemberPath("C:\\K\\Temp\\", "con.d\\x.bmp"), "C:\\K\\Temp\\x.bmp");
  EXPECT_EQ(MemberFileName("sub\\b.JPG"), "b.JPG");
  EXPECT_EQ(MemberFileName("plain.bmp"), "plain.bmp");
  EXPECT_EQ(MemberFileName("sub\\"), "");
}

TEST(MemberName, NamesThatCouldLeaveTheFolderAreRefused) {
  for (const char* name : {"..\\..\\x.bmp", "../x.bmp", "sub\\..\\..\\x.bmp", "...\\x.bmp", ". .\\x.bmp",
                           ".. \\x.bmp", "C:\\x.bmp", "C:x.bmp", "x.bmp:stream", "\\x.bmp", "/x.bmp",
                           "\\\\server\\share\\x.bmp", "", "sub\\", "sub/", ".", "..", "sub\\..", "x.bmp.",
                           "x.bmp ", "CON", "con.bmp", "sub\\NUL.txt", "COM1", "lpt9.jpg", "aux", "CONOUT$",
                           "a\tb.bmp", "a?.bmp", "*.*", "a|b.bmp", "a\"b.bmp", "a<b.bmp"}) {
    EXPECT_FALSE(IsSafeMemberName(name)) << name;
    EXPECT_FALSE(ExtractedMemberPath("C:\\K\\Temp\\", name)) << name;
  }
  EXPECT_FALSE(ExtractedMemberPath("", "x.bmp"));
  EXPECT_TRUE(IsSafeMemberName("COM10.bmp"));
  EXPECT_TRUE(IsSafeMemberName("CONSOLE.bmp"));
}

TEST(MemberName, RecordNameIsBoundedByItsField) {
  unsigned char record[560] = {};
  std::string name = "sub\\b.JPG";
  std::copy(name.begin(), name.end(), record + 26);
  EXPECT_EQ(MemberNameFromRecord(record, sizeof record), name);

  // A library that fills the whole field without a NUL: 512 bytes are taken,
  // nothing past the field.
  std::fill(record + 26, record + 560, 'x');
  EXPECT_EQ(MemberNameFromRecord(record, sizeof record), std::string(512, 'x'));
  EXPECT_EQ(MemberNameFromRecord(record, 30), "xxxx");
  EXPECT_EQ(MemberNameFromRecord(record, 26), "");
  EXPECT_EQ(MemberNameFromRecord(nullptr, 560), "");
  record[26] = '\0';
  EXPECT_EQ(MemberNameFromRecord(record, sizeof record), "");
}
