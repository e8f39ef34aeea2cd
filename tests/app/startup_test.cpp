// The start-up sequence run inside the test process, with the program folder
// pointed at a fresh folder; the main window is closed from the message loop.
#include "app/startup.h"

#include <gtest/gtest.h>

#include "framework/base/inidocument.h"
#include "framework/base/paths.h"
#include "framework/base/text.h"
#include "framework/gui/application.h"
#include "framework/gui/forms.h"
#include "support/messageboxes.h"
#include "support/tempdir.h"
#include "ui/splashform.h"

using framework::Application;

namespace {

class StartupSequence : public ::testing::Test {
 protected:
  void SetUp() override {
    framework::OverrideProgramFolder(dir.path());
    kaleidon::TForm3::StatusShown = [this](const std::string& s) { statuses.push_back(s); };
    // Close the main window as soon as the message loop runs.
    Application::Instance().Initialize();
    Application::Instance().Queue([] {
      if (framework::MainWindow* main = Application::Instance().MainForm()) main->Close();
    });
  }
  void TearDown() override {
    kaleidon::TForm3::StatusShown = nullptr;
    framework::OverrideProgramFolder("");
  }

  TempDir dir;
  MessageBoxRecorder boxes;
  std::vector<std::string> statuses;
};

}  // namespace

TEST_F(StartupSequence, SplashShowsTheStatusTextsInOrder) {
  dir.WriteFile("Kaleidon.ini", "[SysInfo]\r\nProgramVersion=0.6\r\nDlay=1\r\n");
  EXPECT_EQ(kaleidon::RunKaleidon({}), 0);
  EXPECT_EQ(statuses, (std::vector<std::string>{"ｶﾚｲﾄﾞﾝ起動中", "起動処理中...", "ｵﾌﾟｼｮﾝ設定更新中...",
                                                "ｽﾛｰｽﾀｰﾄ待機中..."}));
  EXPECT_EQ(boxes.Count(), 0u);
}

TEST_F(StartupSequence, NoSplashWhenSwitchedOff) {
  dir.WriteFile("Kaleidon.ini", "[SysInfo]\r\nProgramVersion=0.6\r\nSplash=0\r\nDlay=1\r\n");
  EXPECT_EQ(kaleidon::RunKaleidon({}), 0);
  EXPECT_TRUE(statuses.empty());
  EXPECT_EQ(Application::Instance().Title(), "カレイドン");
  EXPECT_EQ(Application::Instance().HelpFile(), "KALEIDON.hlp");
}

TEST_F(StartupSequence, MissingFolderIsReportedOnceAndReplacedByTheProgramFolder) {
  dir.WriteFile("Kaleidon.ini", "[SysInfo]\r\nProgramVersion=0.6\r\nSplash=0\r\nPath=C:\\no\\such\\folder\r\n");
  EXPECT_EQ(kaleidon::RunKaleidon({}), 0);
  ASSERT_EQ(boxes.Count(), 1u);
  EXPECT_EQ(boxes.Last().caption, "暗黒のエラー");
  EXPECT_EQ(boxes.Last().flags & MB_ICONMASK, static_cast<unsigned>(MB_ICONQUESTION));
  std::string ini = dir.ReadFile("Kaleidon.ini");
  EXPECT_NE(ini.find("Path=" + framework::EncodeStoredText(dir.path().substr(0, dir.path().size() - 1))), std::string::npos) << ini;
}

namespace {

// A settings file of version 0.5 with folder memory off and a list with a
// gap and a duplicate; the start-up change (in the program folder, which
// holds no picture) and the command-line change only say so.
constexpr const char* kOlderSettings =
    "[SysInfo]\r\nProgramVersion=0.5\r\nSplash=0\r\nStartUpChange=1\r\nCPUUseRate=100\r\nMemoryCount=0\r\n"
    "[DirectoryBuf]\r\nPathMemory1=C:\\A\\\r\nPathMemory3=C:\\B\\\r\nPathMemory4=c:\\a\\\r\n";

}  // namespace

TEST_F(StartupSequence, TheListOfAnOlderSettingsFileIsCompactedAtTheEndOfTheStartAndMemoryStaysOff) {
  dir.WriteFile("Kaleidon.ini", kOlderSettings);
  EXPECT_EQ(kaleidon::RunKaleidon({}), 0);
  EXPECT_EQ(boxes.Captions(), (std::vector<std::string>{"カレイドン Version0.6", "悪のエラー"}));
  framework::IniDocument ini(dir.ReadFile("Kaleidon.ini"));
  EXPECT_EQ(ini.Keys("DirectoryBuf"), (std::vector<std::string>{"PathMemory1", "PathMemory2"}));
  EXPECT_EQ(ini.Value("DirectoryBuf", "PathMemory2"), "C:\\B\\");
  EXPECT_EQ(ini.Value("SysInfo", "MemoryCount"), "0");
  EXPECT_EQ(ini.Value("SysInfo", "ProgramVersion"), "0.6");
}

TEST_F(StartupSequence, TheCommandLineChangeEndsTheRunBeforeTheListIsUpgraded) {
  dir.WriteFile("Kaleidon.ini", kOlderSettings);
  EXPECT_EQ(kaleidon::RunKaleidon({"/E"}), 0);
  EXPECT_EQ(boxes.Captions(), (std::vector<std::string>{"カレイドン Version0.6", "悪のエラー"}));
  framework::IniDocument ini(dir.ReadFile("Kaleidon.ini"));
  EXPECT_EQ(ini.Keys("DirectoryBuf"), (std::vector<std::string>{"PathMemory1", "PathMemory3", "PathMemory4"}));
}
