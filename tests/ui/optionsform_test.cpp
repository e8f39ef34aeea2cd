// The options dialog as the other windows see it: one value, and the events
// the main window and the folder list follow.
#include "ui/optionsform.h"

#include <gtest/gtest.h>

#include "framework/inidocument.h"
#include "framework/text.h"
#include "support/programwindows.h"

namespace {

std::string SysInfo(const std::vector<std::pair<std::string, std::string>>& keys) {
  std::string text = "[SysInfo]\r\n";
  for (const auto& [key, value] : keys) text += key + "=" + framework::ToAnsi(value) + "\r\n";
  return text;
}

}  // namespace

TEST(OptionsDialog, LoadedOptionsAreItsValueAndOkStoresThemBackUnchanged) {
  const std::vector<std::pair<std::string, std::string>> stored = {
      {"ProgramVersion", "0.6"}, {"StartUpChange", "1"}, {"TaskTray", "1"},    {"TimerChange", "1"},
      {"Hour", "2"},             {"Minute", "45"},       {"CPUUseRate", "40"}, {"Compulsory", "90"},
      {"ScreenSize", "1"},       {"Splash", "0"},        {"ChangeStyle", "0"}, {"Dlay", "1"},
      {"PlaySound", "1"},        {"SoundFile", "C:\\音\\鐘.wav"},             {"MemoryCount", "3"},
      {"LoopCounter", "512"},    {"AutoFind", "1"},      {"CustomMask", "*.PIC;*.MAG"}};
  ProgramWindows w(SysInfo(stored));
  kaleidon::ProgramOptions expected;
  expected.startUpChange = expected.taskTray = expected.timerChange = true;
  expected.hours = 2;
  expected.minutes = 45;
  expected.loadThreshold = 40;
  expected.giveUpSeconds = 90;
  expected.fitToScreen = expected.delayedStart = expected.playSound = expected.autoFind = true;
  expected.splash = expected.changeStyle = false;
  expected.soundFile = "C:\\音\\鐘.wav";
  expected.slotCount = 3;
  expected.loopCounter = 512;
  expected.customMask = "*.PIC;*.MAG";
  EXPECT_TRUE(w.options->Values() == expected);
  EXPECT_EQ(w.options->Values().IntervalMinutes(), 165);

  w.options->Button1->Click();
  framework::IniDocument ini(framework::FromAnsi(w.folder.ReadFile("Kaleidon.ini")));
  for (const auto& [key, value] : stored) EXPECT_EQ(ini.Value("SysInfo", key), value) << key;
}

TEST(OptionsDialog, OkWritesItsKeysInOrderAndTheFolderListReadsTheSlotsAgain) {
  ProgramWindows w("[SysInfo]\r\nProgramVersion=0.6\r\n[DirectoryBuf]\r\nPathMemory1=C:\\a\\\r\nPathMemory3=C:\\c\\\r\n");
  EXPECT_EQ(w.folderList->Cell(1, 1), "");  // no slots in use yet
  w.options->SpinEdit3->SetValue(3);
  w.folder.WriteFile("Kaleidon.ini", w.folder.ReadFile("Kaleidon.ini") + "PathMemory4=C:\\d\\\r\n");
  w.options->Button1->Click();
  framework::IniDocument ini(w.folder.ReadFile("Kaleidon.ini"));
  EXPECT_EQ(ini.Keys("SysInfo"),
            (std::vector<std::string>{"ProgramVersion", "StartUpChange", "TaskTray", "TimerChange", "Hour", "Minute",
                                      "CPUUseRate", "Compulsory", "ScreenSize", "Splash", "ChangeStyle", "Dlay",
                                      "PlaySound", "SoundFile", "MemoryCount", "LoopCounter", "AutoFind",
                                      "CustomMask"}));
  EXPECT_EQ(ini.Value("SysInfo", "MemoryCount"), "3");
  EXPECT_EQ(w.folderList->Cell(1, 1), "C:\\a\\");
  EXPECT_EQ(w.folderList->Cell(0, 2), "Memory[2]");
  EXPECT_EQ(w.folderList->Cell(1, 3), "C:\\c\\");
  EXPECT_EQ(w.folderList->Cell(1, 4), "");  // above the slot count: untouched
  EXPECT_EQ(w.folderList->Cell(0, 4), "");
}

TEST(OptionsDialog, TheMainWindowsSlotBoxFollowsTheSlotCountAndCancelRestoresIt) {
  ProgramWindows w("[SysInfo]\r\nProgramVersion=0.6\r\nMemoryCount=4\r\n");
  kaleidon::TForm1& f = *w.main;
  ASSERT_TRUE(f.SpinEdit1->Enabled());
  ASSERT_EQ(f.SpinEdit1->MaxValue(), 4);
  struct Case {
    int count;
    bool inUse;
    int min, max;
  };
  for (const Case& c : {Case{0, false, 1, 4}, Case{1, true, 1, 1}, Case{7, true, 1, 7}, Case{250, true, 1, 200}}) {
    w.options->SpinEdit3->SetValue(c.count);
    EXPECT_EQ(w.options->Values().slotCount, std::min(c.count, 200));
    EXPECT_EQ(f.SpinEdit1->Enabled(), c.inUse) << c.count;
    EXPECT_EQ(f.Button6->Enabled(), c.inUse) << c.count;
    EXPECT_EQ(f.SpinEdit1->MinValue(), c.min) << c.count;
    EXPECT_EQ(f.SpinEdit1->MaxValue(), c.max) << c.count;
  }
  w.options->Button2->Click();  // CANCEL: the stored count again
  EXPECT_EQ(w.options->Values().slotCount, 4);
  EXPECT_TRUE(f.SpinEdit1->Enabled());
  EXPECT_EQ(f.SpinEdit1->MaxValue(), 4);
}

TEST(OptionsDialog, AResetStartShowsTheMainWindowWithTheTimerStopped) {
  framework::Application::Instance().SetShowMainForm(false);
  ProgramWindows w("[SysInfo]\r\nProgramVersion=0.6\r\nTimerChange=1\r\nTaskTray=1\r\n", "/F");
  EXPECT_FALSE(w.main->Timer1->Enabled());
  EXPECT_FALSE(w.options->Values().timerChange);
  EXPECT_TRUE(framework::Application::Instance().ShowMainForm());
}
