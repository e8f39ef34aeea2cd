#include "framework/base/inifile.h"

#include <gtest/gtest.h>

#include "framework/base/inidocument.h"
#include <windows.h>

#include "framework/base/paths.h"
#include "framework/base/text.h"
#include "support/tempdir.h"

using framework::IniFile;

TEST(IniInteger, DecimalHexAndGarbage) {
  EXPECT_EQ(framework::ParseIniInteger("42"), 42);
  EXPECT_EQ(framework::ParseIniInteger("-7"), -7);
  EXPECT_EQ(framework::ParseIniInteger("0x1F"), 31);
  EXPECT_EQ(framework::ParseIniInteger("0XfF"), 255);
  EXPECT_EQ(framework::ParseIniInteger("0xFFFFFFFF"), -1);
  EXPECT_FALSE(framework::ParseIniInteger(""));
  EXPECT_FALSE(framework::ParseIniInteger("abc"));
  EXPECT_FALSE(framework::ParseIniInteger("12abc"));
  EXPECT_FALSE(framework::ParseIniInteger("0x"));
  EXPECT_FALSE(framework::ParseIniInteger("99999999999"));
}

TEST(IniDocument, LookupIgnoresCaseAndBlanksAndKeepsOtherLines) {
  framework::IniDocument doc("; comment\r\n[SysInfo]\r\n  Hour = 5 \r\nname=\"quoted\"\r\n[Other]\r\nHour=9\r\n");
  EXPECT_EQ(doc.Value("sysinfo", "HOUR"), "5");
  EXPECT_EQ(doc.Value("SysInfo", "name"), "quoted");
  EXPECT_EQ(doc.Value("Other", "Hour"), "9");
  EXPECT_FALSE(doc.Value("Missing", "Hour"));
  doc.SetValue("SysInfo", "Minute", "20");
  doc.SetValue("SYSINFO", "hour", "6");
  doc.SetValue("New", "k", "v");
  EXPECT_EQ(doc.Text(),
            "; comment\r\n[SysInfo]\r\nHour=6\r\nname=\"quoted\"\r\nMinute=20\r\n[Other]\r\nHour=9\r\n[New]\r\nk=v\r\n");
  doc.EraseSection("sysinfo");
  EXPECT_EQ(doc.Text(), "; comment\r\n[Other]\r\nHour=9\r\n[New]\r\nk=v\r\n");
}

class IniFileTest : public ::testing::Test {
 protected:
  TempDir dir;
  std::string path = framework::JoinPath(dir.path(), "Kaleidon.ini");
};

TEST_F(IniFileTest, ValueRulesOfTheSettingsFile) {
  dir.WriteFile("Kaleidon.ini", "[SysInfo]\r\nTimerChange=7\r\nHour=0x10\r\nMinute=\r\nSplash=yes\r\nCPUUseRate=abc\r\n");
  IniFile ini(path);
  EXPECT_TRUE(ini.ReadBool("SysInfo", "TimerChange", false));
  EXPECT_EQ(ini.ReadInteger("SysInfo", "Hour", 0), 16);
  EXPECT_EQ(ini.ReadInteger("SysInfo", "Minute", 15), 15);
  EXPECT_EQ(ini.ReadInteger("SysInfo", "CPUUseRate", 15), 15);
  EXPECT_TRUE(ini.ReadBool("SysInfo", "Splash", true));
  EXPECT_FALSE(ini.ReadBool("SysInfo", "Missing", false));
  EXPECT_EQ(ini.ReadString("SysInfo", "Missing", "def"), "def");
  ini.WriteBool("SysInfo", "Dlay", true);
  ini.WriteInteger("SysInfo", "Hour", -3);
  EXPECT_EQ(ini.ReadString("SysInfo", "Dlay", ""), "1");
  EXPECT_EQ(ini.ReadInteger("SysInfo", "Hour", 0), -3);
}

TEST_F(IniFileTest, LongValuesAreCutTo1023Characters) {
  IniFile ini(path);
  std::string longPath = "C:\\" + std::string(1100, 'a');
  ini.WriteString("SysInfo", "Path", longPath);
  EXPECT_EQ(ini.ReadString("SysInfo", "Path", ""), longPath.substr(0, 1023));
  std::string japanese;
  for (int i = 0; i < 1100; ++i) japanese += "壁";
  ini.WriteString("SysInfo", "SoundFile", japanese);
  EXPECT_EQ(ini.ReadString("SysInfo", "SoundFile", ""), japanese.substr(0, 1023 * 3));
}

TEST_F(IniFileTest, FileIsInTheAnsiCodePageAndEveryAccessSeesItsCurrentContent) {
  IniFile writer(path), reader(path);
  writer.WriteString("SysInfo", "Path", "C:\\壁紙\\ｶﾚｲﾄﾞﾝ\\");
  EXPECT_EQ(dir.ReadFile("Kaleidon.ini"), "[SysInfo]\r\nPath=C:\\\x95\xC7\x8E\x86\\\xB6\xDA\xB2\xC4\xDE\xDD\\\r\n");
  EXPECT_EQ(reader.ReadString("SysInfo", "Path", ""), "C:\\壁紙\\ｶﾚｲﾄﾞﾝ\\");
  dir.WriteFile("Kaleidon.ini", "[SysInfo]\r\nPath=D:\\\r\n");
  EXPECT_EQ(reader.ReadString("SysInfo", "Path", ""), "D:\\");
}

TEST_F(IniFileTest, RefusedWriteRaisesAndLeavesTheOldFileWhole) {
  std::string before = "[SysInfo]\r\nHour=3\r\n";
  dir.WriteFile("Kaleidon.ini", before);
  dir.SetReadOnly("Kaleidon.ini", true);
  IniFile ini(path);
  try {
    ini.WriteInteger("SysInfo", "Hour", 4);
    FAIL() << "no error raised";
  } catch (const framework::EIniFileWrite& e) {
    EXPECT_EQ(e.Message(), path + " に書き込めません");
  }
  dir.SetReadOnly("Kaleidon.ini", false);
  EXPECT_EQ(dir.ReadFile("Kaleidon.ini"), before);
  EXPECT_EQ(dir.FileNames(), std::vector<std::string>{"Kaleidon.ini"});  // no temporary left behind
}

TEST_F(IniFileTest, FileHeldOpenByAnotherProgramIsNotDamaged) {
  std::string before = "[SysInfo]\r\nHour=3\r\n";
  dir.WriteFile("Kaleidon.ini", before);
  HANDLE h = CreateFileW(framework::Widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  IniFile ini(path);
  EXPECT_THROW(ini.WriteInteger("SysInfo", "Hour", 4), framework::EIniFileWrite);
  CloseHandle(h);
  EXPECT_EQ(dir.ReadFile("Kaleidon.ini"), before);
  EXPECT_EQ(dir.FileNames(), std::vector<std::string>{"Kaleidon.ini"});
}

TEST_F(IniFileTest, WriteIntoAMissingFolderRaises) {
  IniFile ini(dir.PathOf("gone\\Kaleidon.ini"));
  EXPECT_THROW(ini.WriteString("SysInfo", "Path", "x"), framework::EIniFileWrite);
}

TEST_F(IniFileTest, EraseSectionLeavesTheOthers) {
  IniFile ini(path);
  ini.WriteString("SysInfo", "Path", "x");
  ini.WriteString("DirectoryBuf", "PathMemory1", "C:\\a\\");
  ini.EraseSection("SysInfo");
  EXPECT_FALSE(ini.SectionExists("SysInfo"));
  EXPECT_EQ(ini.ReadString("DirectoryBuf", "PathMemory1", ""), "C:\\a\\");
}

TEST(StoredText, IsReadAsWhatItIsAndAReplacedCharacterIsTold) {
  const struct {
    const char* what;
    std::string bytes;
    std::string text;
    bool lossy;
  } cases[] = {
      {"Shift-JIS", "D:\\\x8e\xca\x90\x5e\\", "D:\\写真\\", false},
      {"UTF-8 after its mark", "\xEF\xBB\xBF" "D:\\写真\\旅行\\", "D:\\写真\\旅行\\", false},
      {"UTF-8 without a mark", "D:\\写真\\旅行\\", "D:\\写真\\旅行\\", false},
      {"UTF-16 little-endian", std::string("\xFF\xFE" "D\0:\0\\\0\x99\x51\x1F\x77\\\0", 14), "D:\\写真\\", false},
      {"UTF-16 big-endian", std::string("\xFE\xFF\0D\0:\0\\\x51\x99\x77\x1F\0\\", 14), "D:\\写真\\", false},
      {"UTF-16 with a lone surrogate", std::string("\xFF\xFE" "a\0\x00\xD8", 6), "a\xEF\xBF\xBD", true},
      {"a pair Shift-JIS lacks", "a\x85\x40", "a\xEF\xBF\xBD@", true},
      {"bad UTF-8 after its mark", "\xEF\xBB\xBF" "a\xC3", "a\xEF\xBF\xBD", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    bool lossy = !c.lossy;
    EXPECT_EQ(framework::DecodeStoredText(c.bytes, &lossy), c.text);
    EXPECT_EQ(lossy, c.lossy);
  }
}

// The file as another program holds it: open, but nobody may read it.
HANDLE HoldUnreadable(const std::string& path) {
  return CreateFileW(framework::Widen(path).c_str(), GENERIC_READ, FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                     OPEN_EXISTING, 0, nullptr);
}

TEST_F(IniFileTest, AFileThatCannotBeReadIsNeverWrittenOver) {
  const struct {
    const char* what;
    std::string bytes;
    bool hold;
  } cases[] = {
      {"held open without read sharing", "[SysInfo]\r\nHour=3\r\n", true},
      {"bytes that are no text", "[SysInfo]\r\nPath=D:\\\x85\x40\r\n", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    dir.WriteFile("Kaleidon.ini", c.bytes);
    HANDLE held = c.hold ? HoldUnreadable(path) : INVALID_HANDLE_VALUE;
    ASSERT_EQ(held != INVALID_HANDLE_VALUE, c.hold);
    IniFile ini(path);
    EXPECT_FALSE(ini.Readable());
    EXPECT_EQ(ini.ReadInteger("SysInfo", "Hour", 15), 15);
    try {
      ini.WriteInteger("SysInfo", "Hour", 4);
      FAIL() << "no error raised";
    } catch (const framework::EReadRefused& e) {
      EXPECT_EQ(e.Message(), path + " を読み込めません");
    }
    if (c.hold) CloseHandle(held);
    EXPECT_EQ(dir.ReadFile("Kaleidon.ini"), c.bytes);
  }
  EXPECT_TRUE(IniFile(dir.PathOf("missing.ini")).Readable());
}

TEST_F(IniFileTest, AValueWrittenAsItIsStoredChangesNothing) {
  dir.WriteFile("Kaleidon.ini", "[SysInfo]\r\nHour=3\r\nPath=\"C:\\a\\\"\r\n");
  dir.SetReadOnly("Kaleidon.ini", true);  // a write would be refused
  IniFile ini(path);
  const uint64_t before = IniFile::Replacements();
  ini.WriteInteger("SysInfo", "Hour", 3);
  ini.WriteString("SysInfo", "Path", "C:\\a\\");
  ini.DeleteKey("SysInfo", "Missing");
  ini.EraseSection("Missing");
  EXPECT_EQ(IniFile::Replacements(), before);
  dir.SetReadOnly("Kaleidon.ini", false);
}

TEST_F(IniFileTest, ABatchGathersEveryEditOfTheFileIntoOneReplacement) {
  dir.WriteFile("Kaleidon.ini", "[SysInfo]\r\nHour=3\r\n");
  IniFile ini(path);
  const uint64_t before = IniFile::Replacements();
  {
    framework::IniBatch batch(ini);
    ini.WriteInteger("SysInfo", "Hour", 4);
    {
      framework::IniBatch inner(IniFile{path});  // adds to the outer one
      framework::IniEdit edit(ini);
      EXPECT_EQ(edit.ReadInteger("SysInfo", "Hour", 0), 4);
      edit.WriteInteger("SysInfo", "Minute", 20);
      edit.Commit();
      inner.Commit();
    }
    EXPECT_EQ(dir.ReadFile("Kaleidon.ini"), "[SysInfo]\r\nHour=3\r\n");
    EXPECT_EQ(ini.ReadInteger("SysInfo", "Minute", 0), 20);
    batch.Commit();
  }
  EXPECT_EQ(IniFile::Replacements() - before, 1u);
  EXPECT_EQ(dir.ReadFile("Kaleidon.ini"), "[SysInfo]\r\nHour=4\r\nMinute=20\r\n");
  {
    framework::IniBatch dropped(ini);
    ini.WriteInteger("SysInfo", "Hour", 5);
  }
  EXPECT_EQ(ini.ReadInteger("SysInfo", "Hour", 0), 4);
  EXPECT_EQ(IniFile::Replacements() - before, 1u);
}
