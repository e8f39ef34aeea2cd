// The options dialog: its pages, the handlers of its controls, what it does
// to the main window and the folder list, and what it stores.
#include "ui/optionsform.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "core/options.h"
#include "core/wallpaper.h"
#include "framework/base/inidocument.h"
#include "framework/base/inifile.h"
#include "framework/base/paths.h"
#include "framework/base/random.h"
#include "framework/base/scopeguard.h"
#include "framework/base/text.h"
#include "framework/imaging/bitmap.h"
#include "framework/imaging/bitmap.h"
#include "support/filedialogs.h"
#include "support/measure.h"
#include "support/programwindows.h"
#include "support/programwindows.h"
#include "support/userinput.h"
#include "support/mainwindow.h"
#include "ui/settingsfile.h"

using framework::Application;

namespace {

using Keys = std::vector<std::pair<std::string, std::string>>;

std::string SysInfo(const Keys& keys) {
  std::string text = "[SysInfo]\r\nProgramVersion=0.6\r\n";
  for (const auto& [key, value] : keys) text += key + "=" + framework::EncodeStoredText(value) + "\r\n";
  return text;
}

framework::IniDocument StoredSettings(const ProgramWindows& w) {
  return framework::IniDocument(framework::DecodeStoredText(w.folder.ReadFile("Kaleidon.ini")));
}

// n patterns "*.Pn", joined by ";".
std::string Patterns(int n) {
  std::string mask;
  for (int i = 1; i <= n; ++i) mask += (i > 1 ? ";*.P" : "*.P") + std::to_string(i);
  return mask;
}

bool Inside(const RECT& inner, const RECT& outer) {
  return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
         inner.bottom <= outer.bottom;
}

}  // namespace

TEST(OptionsDialog, PagesLaidOutWithTheGeneralPageFirstAndNothingCutOff) {
  ProgramWindows w;
  kaleidon::TForm2& o = *w.options;
  EXPECT_EQ(o.ClassName(), "TForm2");
  EXPECT_EQ(o.Caption(), "Kaleidon Option");
  EXPECT_EQ(o.ClientSize().cx, 361);
  EXPECT_EQ(o.ClientSize().cy, 317);
  EXPECT_EQ(o.PageControl1->Bounds().bottom, 285);
  EXPECT_EQ(o.PageControl1->Width(), 361);
  EXPECT_EQ(o.PageControl1->ActivePage(), o.TabSheet1);
  // "全般", "その他" (the hotkeys and the timer's waits), "拡張子".
  EXPECT_EQ(SendMessageW(o.PageControl1->Handle(), TCM_GETITEMCOUNT, 0, 0), 3);
  EXPECT_TRUE(o.TabSheet2->TabVisible());
  EXPECT_TRUE(o.TabSheet2->Enabled());
  EXPECT_EQ(o.TabSheet2->TabIndex(), 1);
  EXPECT_EQ(o.TabSheet3->TabIndex(), 2);
  for (framework::Button* b : {o.Button1, o.Button2}) {
    EXPECT_EQ(b->Width(), 75);
    EXPECT_EQ(b->Height(), 25);
    EXPECT_GE(b->Top(), 285);
    EXPECT_LE(b->Bounds().bottom, 317);
  }

  // Every control lies within its page, no two windows overlap, and the
  // captions fit their controls.
  RECT area = o.PageControl1->PageArea();
  for (framework::TabSheet* page : {o.TabSheet1, o.TabSheet2, o.TabSheet3}) {
    const auto& controls = page->Controls();
    for (size_t i = 0; i < controls.size(); ++i) {
      const framework::Control& c = *controls[i];
      EXPECT_TRUE(Inside(c.Bounds(), area)) << page->Caption() << " " << c.Text();
      if (dynamic_cast<const framework::CheckBox*>(&c)) {
        EXPECT_LE(TextWidth(c) + 18, c.Width()) << c.Text();
      } else if (dynamic_cast<const framework::Button*>(&c)) {
        EXPECT_LE(TextWidth(c) + 6, c.Width()) << c.Text();
      }
      // Frames hold other controls; nothing else lies on another.
      if (dynamic_cast<const framework::GroupBox*>(&c)) continue;
      for (size_t j = i + 1; j < controls.size(); ++j) {
        RECT a = c.Bounds(), b = controls[j]->Bounds(), overlap;
        if (dynamic_cast<const framework::GroupBox*>(controls[j])) continue;
        EXPECT_FALSE(IntersectRect(&overlap, &a, &b)) << c.Text() << " / " << controls[j]->Text();
      }
    }
  }
  EXPECT_EQ(o.Edit2->Width(), 341);
  EXPECT_EQ(o.FilterComboBox1->Width(), 251);
  EXPECT_EQ(o.OpenDialog1.Filter(), "Wave File|*.WAV");
  EXPECT_EQ(o.Button3->Hint(), "使用するサウンドを選択します");
}

TEST(OptionsDialog, LoadedOptionsAreItsValueAndOkStoresThemBackUnchanged) {
  const Keys stored = {{"StartUpChange", "1"}, {"TaskTray", "1"},   {"TimerChange", "1"}, {"Hour", "2"},
                       {"Minute", "45"},       {"CPUUseRate", "40"}, {"Compulsory", "90"}, {"ScreenSize", "1"},
                       {"Splash", "0"},        {"ChangeStyle", "0"}, {"Dlay", "1"},        {"PlaySound", "1"},
                       {"SoundFile", "C:\\音\\鐘.wav"},              {"MemoryCount", "3"}, {"LoopCounter", "512"},
                       {"AutoFind", "1"},      {"CustomMask", "*.PIC;*.MAG"}, {"PerMonitor", "0"},
                       {"FitStyle", "3"},       {"MatchShape", "1"},  {"MinPictureShare", "60"},
                       {"Caption", "1"},        {"CaptionFormat", "{folder}／{name}"}, {"CaptionCorner", "3"}};
  ProgramWindows w(SysInfo(stored));
  kaleidon::ProgramOptions expected;
  expected.startUpChange = expected.taskTray = expected.timerChange = true;
  expected.hours = 2;
  expected.minutes = 45;
  expected.loadThreshold = 40;
  expected.giveUpSeconds = 90;
  expected.fitToScreen = expected.delayedStart = expected.playSound = expected.autoFind = true;
  expected.splash = expected.changeStyle = expected.perMonitor = false;
  expected.soundFile = "C:\\音\\鐘.wav";
  expected.slotCount = 3;
  expected.loopCounter = 512;
  expected.customMask = "*.PIC;*.MAG";
  expected.fitStyle = 3;
  expected.matchShape = true;
  expected.minPictureShare = 60;
  expected.caption = true;
  expected.captionFormat = "{folder}／{name}";
  expected.captionCorner = 3;
  EXPECT_TRUE(w.options->Values() == expected);
  EXPECT_EQ(w.options->Values().IntervalMinutes(), 165);

  w.options->Button1->Click();
  framework::IniDocument ini = StoredSettings(w);
  for (const auto& [key, value] : stored) EXPECT_EQ(ini.Value("SysInfo", key), value) << key;
}

TEST(OptionsDialog, StoredNumbersOutOfRangeAreClampedIntoTheControlsAndStoredSo) {
  struct Case {
    Keys stored;
    int hours, minutes, slots, load, giveUp, loop;
  };
  for (const Case& c : {
           Case{{{"Hour", "99"}, {"MemoryCount", "500"}, {"CPUUseRate", "5"}, {"Compulsory", "999"},
                 {"LoopCounter", "64"}},
                23, 15, 200, 10, 120, 128},
           Case{{{"Hour", "-3"}, {"Minute", "0"}, {"MemoryCount", "-1"}, {"CPUUseRate", "150"},
                 {"Compulsory", "1"}, {"LoopCounter", "99999"}},
                0, 1, 0, 100, 20, 4096},
           Case{{{"Hour", "0"}, {"Minute", "75"}}, 1, 0, 0, 15, 30, 256},  // 60 minutes carry
           // The minutes are put in after the hours, and carry or borrow on the way.
           Case{{{"Hour", "5"}, {"Minute", "60"}}, 6, 0, 0, 15, 30, 256},
           Case{{{"Hour", "5"}, {"Minute", "-9"}}, 4, 59, 0, 15, 30, 256},
           Case{{{"Hour", "x"}, {"Minute", "0x1E"}, {"LoopCounter", "300"}}, 0, 30, 0, 15, 30, 300},
           Case{{{"Hour", "1"}, {"Minute", "-1"}, {"FitStyle", "9"}, {"CaptionCorner", "-2"},
                 {"HotKeyNext", "70000"}, {"MinPictureShare", "300"}},
                0, 59, 0, 15, 30, 256},
       }) {
    ProgramWindows w(SysInfo(c.stored));
    const kaleidon::ProgramOptions v = w.options->Values();
    // The main window runs on the same values before the dialog is made.
    EXPECT_EQ(kaleidon::AsTheDialogHoldsThem(kaleidon::ReadOptions(kaleidon::OpenSettings())), v)
        << c.stored.front().second;
    EXPECT_EQ(v.hours, c.hours) << c.stored.front().second;
    EXPECT_EQ(v.minutes, c.minutes) << c.stored.front().second;
    EXPECT_EQ(v.slotCount, c.slots);
    EXPECT_EQ(v.loadThreshold, c.load);
    EXPECT_EQ(v.giveUpSeconds, c.giveUp);
    EXPECT_EQ(v.loopCounter, c.loop);
    w.options->Button1->Click();
    framework::IniDocument ini = StoredSettings(w);
    EXPECT_EQ(ini.Value("SysInfo", "Hour"), std::to_string(c.hours));
    EXPECT_EQ(ini.Value("SysInfo", "LoopCounter"), std::to_string(c.loop));
  }
}

TEST(OptionsDialog, HoursAndMinutesCarryAndBorrowLikeOneDuration) {
  ProgramWindows w(SysInfo({{"TimerChange", "1"}}));
  kaleidon::TForm2& o = *w.options;
  struct Case {
    int hours, minutes;
    int step;  // +1 / -1: an arrow of the minutes
    int expectedHours, expectedMinutes, lowestMinute;
  };
  for (const Case& c : {
           Case{5, 59, +1, 6, 0, -1},
           Case{23, 59, +1, 23, 0, -1},
           Case{5, 0, -1, 4, 59, -1},
           Case{1, 0, -1, 0, 59, 1},
           Case{0, 1, -1, 0, 1, 1},
           Case{0, 59, +1, 1, 0, -1},
           Case{3, 20, +1, 3, 21, -1},
       }) {
    o.SpinEdit1->SetValue(c.hours);
    o.SpinEdit2->SetValue(c.minutes);
    if (c.step > 0) o.SpinEdit2->StepUp();
    else o.SpinEdit2->StepDown();
    EXPECT_EQ(o.SpinEdit1->Value(), c.expectedHours) << c.hours << ":" << c.minutes << " " << c.step;
    EXPECT_EQ(o.SpinEdit2->Value(), c.expectedMinutes) << c.hours << ":" << c.minutes << " " << c.step;
    EXPECT_EQ(o.SpinEdit2->MinValue(), c.lowestMinute) << c.hours << ":" << c.minutes << " " << c.step;
    EXPECT_EQ(o.SpinEdit2->MaxValue(), 60);
  }
  // Hours going to 0 take the minutes to at least 1.
  o.SpinEdit1->SetValue(2);
  o.SpinEdit2->SetValue(30);
  o.SpinEdit1->SetValue(0);
  EXPECT_EQ(o.SpinEdit2->Value(), 1);
}

TEST(OptionsDialog, TheIntervalTimerFollowsItsBoxThroughOkCancelTheCloseBoxAndTheTrayMenu) {
  ProgramWindows w(SysInfo({{"TimerChange", "0"}}));
  kaleidon::TForm2& o = *w.options;
  kaleidon::TForm1& main = *w.main;
  auto expectTimer = [&](bool on, const char* when) {
    EXPECT_EQ(o.CheckBox4->Checked(), on) << when;
    EXPECT_EQ(Widgets(main).Timer1->Enabled(), on) << when;
    EXPECT_EQ(o.SpinEdit1->Enabled(), on) << when;
    EXPECT_EQ(o.SpinEdit2->Enabled(), on) << when;
  };
  expectTimer(false, "loaded");

  o.Show();
  SendMessageW(o.CheckBox4->Handle(), BM_CLICK, 0, 0);  // the user ticks it
  expectTimer(true, "ticked");
  o.Button2->Click();
  expectTimer(false, "CANCEL");

  o.Show();
  SendMessageW(o.CheckBox4->Handle(), BM_CLICK, 0, 0);
  SendMessageW(o.Handle(), WM_CLOSE, 0, 0);
  EXPECT_FALSE(o.Visible());
  expectTimer(true, "close box");
  EXPECT_EQ(StoredSettings(w).Value("SysInfo", "TimerChange"), "0");  // nothing stored

  Widgets(main).PopupMenu1->Item("TimerSS").Click();
  expectTimer(false, "tray menu");
  Widgets(main).PopupMenu1->Item("TimerSS").Click();
  expectTimer(true, "tray menu again");

  o.Button1->Click();
  expectTimer(true, "OK");
  EXPECT_EQ(StoredSettings(w).Value("SysInfo", "TimerChange"), "1");
  o.Button2->Click();
  expectTimer(true, "CANCEL after OK");
}

TEST(OptionsDialog, TheMainWindowsSlotBoxFollowsTheSlotCountAndCancelRestoresIt) {
  ProgramWindows w(SysInfo({{"MemoryCount", "4"}}));
  kaleidon::TForm1& f = *w.main;
  ASSERT_TRUE(Widgets(f).SpinEdit1->Enabled());
  ASSERT_EQ(Widgets(f).SpinEdit1->MaxValue(), 4);
  struct Case {
    int count;
    bool inUse;
    int min, max;
  };
  for (const Case& c : {Case{0, false, 1, 4}, Case{1, true, 1, 1}, Case{7, true, 1, 7}, Case{250, true, 1, 200}}) {
    w.options->SpinEdit3->SetValue(c.count);
    EXPECT_EQ(w.options->Values().slotCount, std::min(c.count, 200));
    EXPECT_EQ(Widgets(f).SpinEdit1->Enabled(), c.inUse) << c.count;
    EXPECT_EQ(Widgets(f).Button6->Enabled(), c.inUse) << c.count;
    EXPECT_EQ(Widgets(f).SpinEdit1->MinValue(), c.min) << c.count;
    EXPECT_EQ(Widgets(f).SpinEdit1->MaxValue(), c.max) << c.count;
  }
  w.options->Button2->Click();  // CANCEL: the stored count again
  EXPECT_EQ(w.options->Values().slotCount, 4);
  EXPECT_TRUE(Widgets(f).SpinEdit1->Enabled());
  EXPECT_EQ(Widgets(f).SpinEdit1->MaxValue(), 4);

  // The close box keeps the new count for the run without storing it.
  w.options->Show();
  w.options->SpinEdit3->SetValue(2);
  SendMessageW(w.options->Handle(), WM_CLOSE, 0, 0);
  EXPECT_EQ(Widgets(f).SpinEdit1->MaxValue(), 2);
  EXPECT_EQ(StoredSettings(w).Value("SysInfo", "MemoryCount"), "4");
}

TEST(OptionsDialog, NoStoredSlotsLeaveTheSlotBoxAndTheRememberButtonDisabled) {
  ProgramWindows w;
  EXPECT_FALSE(Widgets(*w.main).SpinEdit1->Enabled());
  EXPECT_FALSE(Widgets(*w.main).Button6->Enabled());
}

TEST(OptionsDialog, OkWritesItsKeysInOrderAndTheFolderListReadsTheSlotsAgain) {
  ProgramWindows w("[SysInfo]\r\nProgramVersion=0.6\r\n[DirectoryBuf]\r\nPathMemory1=C:\\a\\\r\nPathMemory3=C:\\c\\\r\n");
  EXPECT_EQ(w.folderList->Cell(1, 1), "");  // no slots in use yet
  w.options->SpinEdit3->SetValue(3);
  w.folder.WriteFile("Kaleidon.ini", w.folder.ReadFile("Kaleidon.ini") + "PathMemory4=C:\\d\\\r\n");
  const uint64_t replacements = framework::IniFile::Replacements();
  w.options->Button1->Click();
  EXPECT_EQ(framework::IniFile::Replacements() - replacements, 1u);  // every key in one replacement
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

TEST(OptionsDialog, APicturePerMonitorIsOnAtFirstAndStoredOnceItWasTurnedOff) {
  ProgramWindows w("[SysInfo]\r\nProgramVersion=0.6\r\n");
  EXPECT_TRUE(w.options->MonitorCheck->Checked());
  w.options->Button1->Click();
  EXPECT_FALSE(StoredSettings(w).Value("SysInfo", "PerMonitor"));  // the file keeps today's keys
  w.options->MonitorCheck->SetChecked(false);
  w.options->Button1->Click();
  EXPECT_EQ(StoredSettings(w).Value("SysInfo", "PerMonitor"), "0");
  w.options->MonitorCheck->SetChecked(true);
  w.options->Button1->Click();
  EXPECT_EQ(StoredSettings(w).Value("SysInfo", "PerMonitor"), "1");
  EXPECT_TRUE(w.options->Values().Wallpaper().perMonitor);
}

TEST(OptionsDialog, TheFitStyleIsChosenBesideFittingAndStoredOnceItIsNotStretching) {
  {
    ProgramWindows w("[SysInfo]\r\nProgramVersion=0.6\r\n");
    kaleidon::TForm2& o = *w.options;
    EXPECT_EQ(o.FitStyleBox->Items(), (std::vector<std::string>{"引き伸ばす", "はみ出しを切る",
                                                                 "全体を表示（ぼかし背景）", "全体を表示（単色背景）"}));
    EXPECT_EQ(o.FitStyleBox->ItemIndex(), 0);
    // It matters only with fitting on.
    EXPECT_FALSE(o.FitStyleBox->Enabled());
    o.CheckBox8->SetChecked(true);
    EXPECT_TRUE(o.FitStyleBox->Enabled());
    o.Button1->Click();
    EXPECT_FALSE(StoredSettings(w).Value("SysInfo", "FitStyle"));  // the file keeps today's keys

    struct Case {
      int chosen;
      kaleidon::FitStyle style;
    };
    for (const Case& c : {Case{2, kaleidon::FitStyle::WholeOnBlur}, Case{1, kaleidon::FitStyle::Crop},
                          Case{3, kaleidon::FitStyle::WholeOnColour}, Case{0, kaleidon::FitStyle::Stretch}}) {
      o.FitStyleBox->SetItemIndex(c.chosen);
      EXPECT_EQ(o.Values().Wallpaper().fitStyle, c.style);
      o.Button1->Click();
      EXPECT_EQ(StoredSettings(w).Value("SysInfo", "FitStyle"), std::to_string(c.chosen));
      // Another choice cancelled: the stored one is read back.
      o.FitStyleBox->SetItemIndex((c.chosen + 1) % 4);
      o.Button2->Click();
      EXPECT_EQ(o.FitStyleBox->ItemIndex(), c.chosen);
    }
  }
  // A number no style has stretches.
  ProgramWindows unknown("[SysInfo]\r\nScreenSize=1\r\nFitStyle=9\r\n");
  EXPECT_EQ(unknown.options->FitStyleBox->ItemIndex(), 0);
  EXPECT_EQ(unknown.options->Values().Wallpaper().fitStyle, kaleidon::FitStyle::Stretch);
}

TEST(OptionsDialog, ThePictureChoiceByShapeAndSizeIsStoredOnceItIsOn) {
  ProgramWindows w("[SysInfo]\r\nProgramVersion=0.6\r\n");
  kaleidon::TForm2& o = *w.options;
  EXPECT_EQ(o.MatchShapeCheck->Text(), "モニターの向きに合う画像を選ぶ");
  EXPECT_FALSE(o.MatchShapeCheck->Checked());
  EXPECT_EQ(o.MinShareEdit->Value(), 0);
  o.Button1->Click();
  for (const char* key : {"MatchShape", "MinPictureShare"})
    EXPECT_FALSE(StoredSettings(w).Value("SysInfo", key)) << key;  // the file keeps today's keys

  struct Case {
    bool matchShape;
    int typed, stored;  // a share past the whole monitor is the whole of it
  };
  for (const Case& c : {Case{true, 50, 50}, Case{false, 250, 100}, Case{false, 0, 0}}) {
    o.MatchShapeCheck->SetChecked(c.matchShape);
    o.MinShareEdit->SetValue(c.typed);
    o.Button1->Click();
    const framework::IniDocument ini = StoredSettings(w);
    EXPECT_EQ(ini.Value("SysInfo", "MatchShape"), c.matchShape ? "1" : "0");
    EXPECT_EQ(ini.Value("SysInfo", "MinPictureShare"), std::to_string(c.stored));
    EXPECT_EQ(o.Values().matchShape, c.matchShape);
    EXPECT_EQ(o.Values().minPictureShare, c.stored);
  }
}

TEST(OptionsDialog, TheCaptionIsStoredOnceItDiffersFromItsDefaultsAndItsBoxesFollowItsSwitch) {
  ProgramWindows w("[SysInfo]\r\nProgramVersion=0.6\r\n");
  kaleidon::TForm2& o = *w.options;
  EXPECT_EQ(o.CaptionCheck->Text(), "壁紙に画像の情報を表示");
  EXPECT_FALSE(o.CaptionCheck->Checked());
  EXPECT_EQ(o.CaptionFormatEdit->Text(), "{name}　{date}");
  EXPECT_EQ(o.CaptionFormatEdit->Hint(), "{name} ファイル名　{folder} フォルダ名　{date} 撮影日　{path} 場所");
  EXPECT_EQ(o.CaptionCornerBox->Items(), (std::vector<std::string>{"右下", "左下", "右上", "左上"}));
  EXPECT_EQ(o.CaptionCornerBox->ItemIndex(), 0);
  EXPECT_FALSE(o.CaptionFormatEdit->Enabled());
  EXPECT_FALSE(o.CaptionCornerBox->Enabled());
  o.Button1->Click();
  for (const char* key : {"Caption", "CaptionFormat", "CaptionCorner"})
    EXPECT_FALSE(StoredSettings(w).Value("SysInfo", key)) << key;  // the file keeps today's keys

  o.CaptionCheck->SetChecked(true);
  EXPECT_TRUE(o.CaptionFormatEdit->Enabled());
  EXPECT_TRUE(o.CaptionCornerBox->Enabled());
  o.CaptionCornerBox->SetItemIndex(2);
  o.Button1->Click();
  const framework::IniDocument ini = StoredSettings(w);
  EXPECT_EQ(ini.Value("SysInfo", "Caption"), "1");
  EXPECT_EQ(ini.Value("SysInfo", "CaptionCorner"), "2");
  EXPECT_FALSE(ini.Value("SysInfo", "CaptionFormat"));
  const kaleidon::CaptionOptions caption = o.Values().Wallpaper().caption;
  EXPECT_TRUE(caption.show);
  EXPECT_EQ(caption.corner, kaleidon::CaptionCorner::TopRight);
}

TEST(OptionsDialog, CancelPutsEverySettingBackAsStored) {
  ProgramWindows w(SysInfo({{"Hour", "1"}, {"Minute", "20"}, {"CustomMask", "*.PIC"}, {"SoundFile", "C:\\a.wav"}}));
  kaleidon::TForm2& o = *w.options;
  const kaleidon::ProgramOptions loaded = o.Values();
  for (framework::CheckBox* c : {o.CheckBox1, o.CheckBox2, o.CheckBox3, o.CheckBox4, o.CheckBox5, o.CheckBox6,
                                 o.CheckBox8, o.CheckBox11, o.MonitorCheck, o.SoundPlayCheck, o.MatchShapeCheck,
                                 o.CaptionCheck})
    c->SetChecked(!c->Checked());
  for (framework::SpinEdit* s : {o.SpinEdit1, o.SpinEdit3, o.SpinEdit4, o.SpinEdit5, o.LoopOut1, o.MinShareEdit})
    s->StepUp();
  o.Edit1->SetText("C:\\b.wav");
  o.Edit2->SetText("*.MAG");
  o.FitStyleBox->SetItemIndex(2);
  ASSERT_FALSE(o.Values() == loaded);
  o.Button2->Click();
  EXPECT_TRUE(o.Values() == loaded);
  EXPECT_EQ(o.Values().customMask, "*.PIC");
}

TEST(OptionsDialog, TheFirstArgumentDecidesWhetherTheMainWindowShows) {
  struct Case {
    const char* argument;
    const char* taskTray;
    bool shown;
  };
  // The written forms themselves are the command line's own test.
  for (const Case& c : {Case{"/s", "0", false}, Case{"/F", "1", true}, Case{"/x", "0", true}, Case{"/x", "1", false}}) {
    Application::Instance().SetShowMainForm(true);
    ProgramWindows w(SysInfo({{"TaskTray", c.taskTray}, {"TimerChange", "1"}}), c.argument);
    EXPECT_EQ(Application::Instance().ShowMainForm(), c.shown) << c.argument << " " << c.taskTray;
    // A reset start stops the timer; nothing else does.
    EXPECT_EQ(Widgets(*w.main).Timer1->Enabled(), c.argument[1] != 'f' && c.argument[1] != 'F') << c.argument;
  }
  Application::Instance().SetShowMainForm(true);
}

TEST(OptionsDialog, OkCleansTheCustomMaskBeforeStoringIt) {
  ProgramWindows w;
  w.options->Edit2->SetText(";*.bmp;*.txt;;*.T|XT;*.jpg;");
  w.options->Button1->Click();
  EXPECT_EQ(w.options->Edit2->Text(), "*.bmp;*.TXT;*.jpg");
  EXPECT_EQ(StoredSettings(w).Value("SysInfo", "CustomMask"), "*.bmp;*.TXT;*.jpg");
}

TEST(OptionsDialog, AMaskTooLongForTheSettingsFileIsRefusedWithTheDialogOpenAndNothingStored) {
  std::string fits;  // 256 patterns in 1023 characters
  for (int i = 0; i < 256; ++i) fits += i ? ";*.A" : "*.A";
  struct Row {
    const char* name;
    std::string mask;
    const char* limit;  // named in the message
  };
  const Row rows[] = {
      {"more than 256 patterns", Patterns(300), "256"},
      {"more than 1023 characters", fits + "B", "1023"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ProgramWindows w;
    kaleidon::TForm2& o = *w.options;
    const std::string before = w.folder.ReadFile("Kaleidon.ini");
    o.Show();
    o.CheckBox1->SetChecked(true);
    o.Edit2->SetText(row.mask);
    w.boxes.Clear();
    SendMessageW(o.Button1->Handle(), BM_CLICK, 0, 0);
    ASSERT_EQ(w.boxes.Count(), 1u);
    EXPECT_EQ(w.boxes.Last().caption, "悪のエラー");
    EXPECT_NE(w.boxes.Last().text.find("カスタムマスク"), std::string::npos);
    EXPECT_NE(w.boxes.Last().text.find(row.limit), std::string::npos);
    EXPECT_EQ(w.boxes.Last().flags & MB_ICONMASK, static_cast<unsigned>(MB_ICONERROR));
    EXPECT_TRUE(o.Visible());
    EXPECT_EQ(o.Edit2->Text(), row.mask);
    EXPECT_EQ(w.folder.ReadFile("Kaleidon.ini"), before);

    // Within both limits it goes through.
    o.Edit2->SetText(fits);
    SendMessageW(o.Button1->Handle(), BM_CLICK, 0, 0);
    EXPECT_FALSE(o.Visible());
    EXPECT_EQ(StoredSettings(w).Value("SysInfo", "CustomMask"), fits);
  }
}

TEST(OptionsDialog, ARefusedSettingsWriteIsShownAndTheDialogStaysOpen) {
  ProgramWindows w;
  kaleidon::TForm2& o = *w.options;
  o.Show();
  const std::string stored = w.folder.ReadFile("Kaleidon.ini");
  w.folder.SetReadOnly("Kaleidon.ini", true);
  auto writable = framework::ScopeExit([&] { w.folder.SetReadOnly("Kaleidon.ini", false); });
  w.boxes.Clear();
  SendMessageW(o.Button1->Handle(), BM_CLICK, 0, 0);
  EXPECT_EQ(w.folder.ReadFile("Kaleidon.ini"), stored);
  ASSERT_EQ(w.boxes.Count(), 1u);
  EXPECT_EQ(w.boxes.Last().text, w.folder.PathOf("Kaleidon.ini") + " に書き込めません.");
  EXPECT_TRUE(o.Visible());
}

TEST(OptionsDialog, FormatListHasTheArchiveEntryOnlyWithTheArchiveLibraryInTheSystemFolder) {
  // A plug-in's format, registered before the windows are made.
  framework::Picture::RegisterFileFormat("PIC", "PIC File", "TestPlugIn",
                                         [] { return std::unique_ptr<framework::Graphic>(); });
  auto forget = framework::ScopeExit([] { framework::Picture::UnregisterGraphicKind("TestPlugIn"); });
  const std::vector<std::string> pictures = {"PIC File (*.pic)", "JPEG Image File (*.jpeg)",
                                             "JPEG Image File (*.jpg)", "ﾋﾞｯﾄﾏｯﾌﾟ (*.bmp)"};
  const std::string library = framework::JoinPath(framework::SystemFolder(), "unlha32.dll");
  ASSERT_FALSE(framework::FileExists(library));
  {
    ProgramWindows w;
    std::vector<std::string> expected = {"すべてのﾌｧｲﾙ (*.pic;*.jpeg;*.jpg;*.bmp)"};
    expected.insert(expected.end(), pictures.begin(), pictures.end());
    EXPECT_EQ(w.options->FilterComboBox1->Items(), expected);
    EXPECT_EQ(w.options->FilterComboBox1->Masks().front(), "*.pic;*.jpeg;*.jpg;*.bmp");
  }
  // Only the name counts: the file need not be a library at all.
  ASSERT_TRUE(framework::WriteFileAtomically(library, "MZ"));
  auto remove = framework::ScopeExit([&] { framework::DeleteFileAt(library); });
  {
    ProgramWindows w;
    std::vector<std::string> expected = {"すべてのﾌｧｲﾙ (*.lzh;*.pic;*.jpeg;*.jpg;*.bmp)", "ｱｰｶｲﾌﾞﾌｧｲﾙ (*.lzh)"};
    expected.insert(expected.end(), pictures.begin(), pictures.end());
    EXPECT_EQ(w.options->FilterComboBox1->Items(), expected);
    EXPECT_EQ(w.options->FilterComboBox1->Masks()[1], "*.lzh");
    EXPECT_FALSE(framework::Picture::FindFileFormat("lzh"));  // never a picture format
  }
}

TEST(OptionsDialog, AddButtonPutsTheChosenFormatsPatternsAfterTheMask) {
  ProgramWindows w;
  kaleidon::TForm2& o = *w.options;
  // Entries: all files, jpeg, jpg, bmp.
  struct Case {
    const char* mask;
    int entry;  // -1: none chosen, which takes the last
    const char* expected;
  };
  for (const Case& c : {Case{"", 3, "*.bmp"}, Case{"*.BMP", 1, "*.BMP;*.jpeg"}, Case{"*.BMP;", 1, "*.BMP;*.jpeg"},
                        Case{"*.bmp", 3, "*.bmp;*.bmp"}, Case{"*.PIC", 0, "*.PIC;*.jpeg;*.jpg;*.bmp"},
                        Case{"*.PIC", -1, "*.PIC;*.bmp"}}) {
    o.Edit2->SetText(c.mask);
    o.FilterComboBox1->SetItemIndex(c.entry);
    SendMessageW(o.Button5->Handle(), BM_CLICK, 0, 0);
    EXPECT_EQ(o.Edit2->Text(), c.expected) << c.mask << " " << c.entry;
  }
}

TEST(OptionsDialog, HelpTextTakesAColourOfTheProgramsGeneratorOnEveryShowAndDoubleClick) {
  ProgramWindows w;
  kaleidon::TForm2& o = *w.options;
  const std::vector<std::string> lines = o.Memo1->Lines();
  ASSERT_EQ(lines.size(), 25u);
  for (size_t empty : {5u, 8u, 12u, 18u, 22u, 24u}) EXPECT_EQ(lines[empty - 1], "") << empty;
  EXPECT_EQ(lines[8], "【直接入力する場合】");
  EXPECT_EQ(lines[20], "*.BMP;*.JPG;*.JPEG;*.GIF");
  EXPECT_TRUE(o.Memo1->ReadOnly());

  const COLORREF colors[] = {RGB(0, 0, 0),     RGB(0, 128, 0), RGB(0, 0, 128),
                             RGB(0, 128, 128), RGB(0, 0, 255), RGB(128, 0, 0)};
  for (uint32_t seed : {3u, 42u}) {
    framework::SetRandomSeed(seed);
    int first = framework::Random(6), second = framework::Random(6), third = framework::Random(6);
    framework::SetRandomSeed(seed);
    o.Show();
    EXPECT_EQ(o.Memo1->GetFont().color, colors[first]) << seed;
    o.Hide();
    o.Show();
    EXPECT_EQ(o.Memo1->GetFont().color, colors[second]) << seed;
    SendMessageW(o.Memo1->Handle(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 5));
    EXPECT_EQ(o.Memo1->GetFont().color, colors[third]) << seed;
    o.Hide();
  }
}

TEST(OptionsDialog, SoundFileIsChosenInTheOpenDialogAndCancellingKeepsIt) {
  ProgramWindows w(SysInfo({{"SoundFile", "C:\\old.wav"}}));
  w.folder.WriteFile("鐘.WAV", "RIFF");
  {
    FileDialogAnswer cancel("", "");
    w.options->Button3->Click();
    EXPECT_TRUE(cancel.Seen());
  }
  EXPECT_EQ(w.options->Edit1->Text(), "C:\\old.wav");
  {
    FileDialogAnswer choose("", w.folder.PathOf("鐘.WAV"));
    w.options->Button3->Click();
    EXPECT_TRUE(choose.Seen());
  }
  EXPECT_EQ(w.options->Edit1->Text(), w.folder.PathOf("鐘.WAV"));
}

TEST(OptionsDialog, SettingsChangedInTheDialogTakeEffectAtOnceWithoutOk) {
  TempDir pictures;
  framework::Bitmap small(4, 3, 24);
  pictures.WriteFile("one.bmp", small.SaveToBytes());
  ProgramWindows w(SysInfo({{"Path", pictures.path()}}));
  w.folder.WriteFile("鐘.wav", "RIFF");
  std::vector<std::string> sounds;
  kaleidon::SetSoundPlayer([&](const std::string& path) { sounds.push_back(path); });
  auto restore = framework::ScopeExit([] { kaleidon::SetSoundPlayer(nullptr); });

  w.options->CheckBox8->SetChecked(true);
  w.options->SoundPlayCheck->SetChecked(true);
  w.options->Edit1->SetText(w.folder.PathOf("鐘.wav"));
  w.main->ChangeWallpaper(true);
  EXPECT_EQ(sounds, std::vector<std::string>{w.folder.PathOf("鐘.wav")});
  framework::Bitmap wallpaper;
  wallpaper.LoadFromBytes(w.folder.ReadFile("WPFile.BMP"));
  EXPECT_EQ(wallpaper.Width(), kaleidon::CurrentScreen().width);  // fitted to the screen

  w.options->SoundPlayCheck->SetChecked(false);
  w.main->ChangeWallpaper(true);
  EXPECT_EQ(sounds.size(), 1u);
}

TEST(OptionsDialog, OpenedFromTheMainWindowItAnswersARealClickOnATabAndOnOk) {
  ProgramWindows w;
  kaleidon::TForm2& o = *w.options;
  o.Edit2->SetText("*.bmp;*.txt");
  const HWND edit2 = o.Edit2->Handle();
  std::atomic<bool> trayEntryReturned = false, extensionsShown = false, okFound = false;
  std::thread user([&] {
    HWND dialog = WaitForWindow([] { return FindProcessWindow(L"TForm2", "Kaleidon Option"); });
    if (!dialog) return;
    // The tray entry while the dialog is up only brings it forward.
    Application::Instance().Queue([&] {
      w.main->Option1Click();
      trayEntryReturned = true;
    });
    WaitForWindow([&] { return trayEntryReturned ? dialog : nullptr; });
    HWND tabs = FindWindowExW(dialog, nullptr, WC_TABCONTROLW, nullptr);
    RECT tab{};
    SendMessageW(tabs, TCM_GETITEMRECT, o.TabSheet3->TabIndex(), reinterpret_cast<LPARAM>(&tab));
    ClickAt(tabs, POINT{(tab.left + tab.right) / 2, (tab.top + tab.bottom) / 2});
    extensionsShown = WaitForWindow([&] { return IsWindowVisible(edit2) ? dialog : nullptr; }) != nullptr;
    HWND ok = FindWindowExW(dialog, nullptr, L"Button", L"OK");
    okFound = ok != nullptr;
    if (ok) SendMessageW(ok, BM_CLICK, 0, 0);
    else PostMessageW(dialog, WM_CLOSE, 0, 0);
  });
  Widgets(*w.main).Button4->Click();  // modal until the dialog closes
  user.join();
  EXPECT_TRUE(trayEntryReturned);
  EXPECT_TRUE(extensionsShown);
  EXPECT_TRUE(okFound);
  EXPECT_FALSE(o.Visible());
  EXPECT_EQ(o.PageControl1->ActivePage(), o.TabSheet3);
  EXPECT_EQ(StoredSettings(w).Value("SysInfo", "CustomMask"), "*.bmp");
}
