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
