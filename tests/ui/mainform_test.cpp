#include "ui/mainform.h"

#include <gtest/gtest.h>

#include "framework/inidocument.h"
#include "framework/paths.h"
#include "framework/text.h"
#include "support/programwindows.h"
#include "tray/trayicon.h"

using framework::JoinPath;

TEST(MainWindow, LaidOutAsARealWindowOfItsClass) {
  ProgramWindows w;
  kaleidon::TForm1& f = *w.main;
  EXPECT_EQ(f.ClassName(), "TMyMainForm");
  EXPECT_EQ(f.Caption(), "Kaleidon v0.6.1");
  EXPECT_EQ(f.ClientSize().cx, 516);
  EXPECT_EQ(f.ClientSize().cy, 376);
  LONG style = GetWindowLongW(f.Handle(), GWL_STYLE);
  EXPECT_TRUE(style & WS_MINIMIZEBOX);
  EXPECT_FALSE(style & WS_MAXIMIZEBOX);
  EXPECT_FALSE(style & WS_THICKFRAME);
  EXPECT_EQ(f.Button3->Text(), "ランダム(&R)");
  EXPECT_EQ(f.Button3->Left(), 90);
  EXPECT_EQ(f.Button3->Top(), 265);
  EXPECT_FALSE(f.Button6->Enabled());
  EXPECT_EQ(f.FileListBox2->Bounds().right, 511);
  EXPECT_EQ(f.Label1->Text(), w.folder.path());
  EXPECT_EQ(f.CurrentFolder.empty(), false);
  EXPECT_FALSE(f.Timer1->Enabled());
  EXPECT_EQ(f.Timer1->Interval(), 60000u);
  EXPECT_EQ(f.TrayIcon1->TipHelp(), "カレイドン参上！");
  EXPECT_TRUE(f.TrayIcon1->Visible());
}

TEST(MainWindow, FilterIndexBeyondTheLastEntryTakesTheCustomFilter) {
  ProgramWindows w("[SysInfo]\r\nProgramVersion=0.6\r\nFilter=42\r\nCustomMask=*.PIC;*.MAG\r\n");
  kaleidon::TForm1& f = *w.main;
  EXPECT_EQ(f.FilterComboBox1->ItemIndex(), f.FilterComboBox1->Count() - 1);
  EXPECT_EQ(f.FilterComboBox1->Items().back(), "カスタムフィルタ");
  EXPECT_EQ(f.FileListBox2->Mask(), "*.PIC;*.MAG");
}

TEST(MainWindow, ChosenFilterGivesItsMaskToTheFileListAndTheToolTip) {
  ProgramWindows w("[SysInfo]\r\nProgramVersion=0.6\r\nFilter=0\r\n");
  w.folder.WriteFile("a.bmp", "x");
  w.folder.WriteFile("b.jpg", "x");
  w.folder.WriteFile("c.txt", "x");
  kaleidon::TForm1& f = *w.main;
  f.FileListBox2->Update();
  EXPECT_EQ(f.FileListBox2->Items(), (std::vector<std::string>{"a.bmp", "b.jpg"}));
  int bitmapEntry = -1;
  auto items = f.FilterComboBox1->Items();
  for (size_t i = 0; i < items.size(); ++i)
    if (items[i] == "ﾋﾞｯﾄﾏｯﾌﾟ (*.bmp)") bitmapEntry = static_cast<int>(i);
  ASSERT_GE(bitmapEntry, 0);
  f.FilterComboBox1->SetItemIndex(bitmapEntry);
  f.FilterComboBox1Change();
  EXPECT_EQ(f.FilterComboBox1->Hint(), "*.bmp");
}

TEST(MainWindow, CloseWritesTheProgramEndKeysInOrderAndEmptiesTemp) {
  ProgramWindows w("[DirectoryBuf]\r\nPathMemory1=C:\\a\\\r\n");
  w.boxes.Clear();
  w.folder.WriteFile("Temp\\shown.bmp", "x");
  w.folder.WriteFile("Temp\\locked.jpg", "x");
  w.folder.WriteFile("Temp\\secret.bmp", "x");
  w.folder.SetReadOnly("Temp\\locked.jpg", true);
  SetFileAttributesW(framework::Widen(w.folder.PathOf("Temp\\secret.bmp")).c_str(),
                     FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
  w.main->Show();
  w.main->Close();
  EXPECT_FALSE(w.main->Visible());
  framework::IniDocument ini(w.folder.ReadFile("Kaleidon.ini"));
  EXPECT_EQ(ini.Keys("SysInfo"),
            (std::vector<std::string>{"Path", "StartUpChange", "TaskTray", "TimerChange", "Hour", "Minute",
                                      "CPUUseRate", "Compulsory", "Splash", "ChangeStyle", "Dlay", "LastBuf",
                                      "ConvertToJpeg", "PlaySound", "SoundFile", "Filter", "MemoryCount",
                                      "ProgramVersion", "RandomRoutine"}));
  EXPECT_EQ(ini.Value("SysInfo", "ConvertToJpeg"), "Reserved");
  EXPECT_EQ(ini.Value("SysInfo", "Minute"), "15");
  EXPECT_EQ(ini.Value("SysInfo", "Splash"), "1");
  EXPECT_EQ(ini.Value("DirectoryBuf", "PathMemory1"), "C:\\a\\");
  EXPECT_TRUE(w.folder.Exists("Temp"));
  EXPECT_TRUE(w.folder.FileNames("Temp\\").empty());
}

TEST(MainWindow, RefusedSettingsWriteKeepsTheWindowOpenWithTheErrorShown) {
  ProgramWindows w;
  w.boxes.Clear();
  w.folder.WriteFile("Temp\\keep.bmp", "x");
  w.folder.SetReadOnly("Kaleidon.ini", true);
  w.main->Show();
  w.main->Close();
  EXPECT_TRUE(w.main->Visible());
  ASSERT_EQ(w.boxes.Count(), 1u);
  EXPECT_EQ(w.boxes.Last().text, w.folder.PathOf("Kaleidon.ini") + " に書き込めません.");
  EXPECT_TRUE(w.folder.Exists("Temp\\keep.bmp"));
  w.folder.SetReadOnly("Kaleidon.ini", false);
}

TEST(MainWindow, RandomButtonWhileAChangeRunsOnlyAsksToWait) {
  ProgramWindows w;
  w.boxes.Clear();
  w.main->ChangeBusy = true;
  w.main->Button3->Click();
  ASSERT_EQ(w.boxes.Count(), 1u);
  EXPECT_EQ(w.boxes.Last().caption, "待ってくれ");
  EXPECT_EQ(w.boxes.Last().text, "そう急かさないでくれ");
  EXPECT_EQ(w.boxes.Last().flags & MB_ICONMASK, 0u);
}

TEST(MainWindow, MinimiseLeavesOnlyTheTrayIconAndADoubleClickBringsItBack) {
  ProgramWindows w;
  w.main->Show();
  SendMessageW(w.main->Handle(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
  EXPECT_FALSE(w.main->Visible());
  EXPECT_TRUE(w.main->TrayIcon1->Visible());
  w.main->TrayIcon1->OnDblClick(*w.main->TrayIcon1);
  EXPECT_TRUE(w.main->Visible());
  EXPECT_FALSE(IsIconic(w.main->Handle()));
  framework::Application::Instance().Minimize();
  EXPECT_FALSE(w.main->Visible());
}

TEST(MainWindow, TrayMenuTimerEntryFollowsAndTogglesTheIntervalTimer) {
  ProgramWindows w("[SysInfo]\r\nProgramVersion=0.6\r\nTimerChange=1\r\n");
  kaleidon::TForm1& f = *w.main;
  EXPECT_TRUE(f.Timer1->Enabled());
  f.PopupMenu1->OnPopup();
  EXPECT_EQ(f.PopupMenu1->Item("TimerSS").Caption(), "ﾀｲﾏｰｽﾄｯﾌﾟ");
  f.PopupMenu1->Item("TimerSS").Click();
  EXPECT_FALSE(f.Timer1->Enabled());
  EXPECT_FALSE(w.options->CheckBox4->Checked());
  f.PopupMenu1->OnPopup();
  EXPECT_EQ(f.PopupMenu1->Item("TimerSS").Caption(), "ﾀｲﾏｰｽﾀｰﾄ");
  std::vector<std::string> captions;
  for (size_t i = 0; i < f.PopupMenu1->Count(); ++i) captions.push_back(f.PopupMenu1->Items(i)->Caption());
  EXPECT_EQ(captions, (std::vector<std::string>{"表示", "ﾀｲﾏｰｽﾀｰﾄ", "ﾗﾝﾀﾞﾑ", "ｵﾌﾟｼｮﾝ", "-", "終了"}));
}

TEST(MainWindow, DriveThatCannotBeEnteredIsReportedAndRolledBack) {
  // A drive letter whose folder does not exist: listed, but not enterable.
  std::string missing = JoinPath(framework::TempFolderPath(), "kaleidon-no-such-drive-folder");
  if (!DefineDosDeviceW(0, L"Q:", framework::Widen(missing).c_str())) GTEST_SKIP() << "cannot map a drive";
  ProgramWindows w;
  kaleidon::TForm1& f = *w.main;
  f.dcb1->Refresh();
  std::string before = f.dlb1->Directory();
  w.boxes.Clear();
  f.dcb1->SetDrive('Q');
  DefineDosDeviceW(DDD_REMOVE_DEFINITION, L"Q:", nullptr);
  ASSERT_EQ(w.boxes.Count(), 1u);
  EXPECT_EQ(w.boxes.Last().caption, "暗黒のドライブチェンジエラー");
  EXPECT_EQ(w.boxes.Last().flags & MB_ICONMASK, static_cast<unsigned>(MB_ICONWARNING));
  EXPECT_EQ(f.dlb1->Directory(), before);
  EXPECT_EQ(f.dcb1->Drive(), before[0]);
  EXPECT_EQ(f.CurrentFolder, before);
}

TEST(MainWindow, JpegFromPlugInsIsRefused) {
  EXPECT_FALSE(kaleidon::SPIs1PictureRegister("jpg"));
  EXPECT_FALSE(kaleidon::SPIs1PictureRegister("JPEG"));
  EXPECT_TRUE(kaleidon::SPIs1PictureRegister("PIC"));
}

TEST(MainWindow, RememberAndRecallWorkOnTheSlotTableAndTheSettings) {
  TempDir a, b;
  ProgramWindows w("[SysInfo]\r\nProgramVersion=0.6\r\nMemoryCount=2\r\nPath=" + framework::ToAnsi(a.path()) + "\r\n");
  kaleidon::TForm1& f = *w.main;
  ASSERT_TRUE(f.SpinEdit1->Enabled());
  ASSERT_TRUE(f.Button6->Enabled());
  EXPECT_EQ(f.SpinEdit1->MaxValue(), 2);
  EXPECT_EQ(w.folderList->Cell(1, 0), std::string(35, ' ') + "フォルダのフルパス");
  EXPECT_EQ(w.folderList->Cell(0, 2), "Memory[2]");
  EXPECT_EQ(w.folderList->Cell(0, 3), "");
  f.Button6->Click();  // remember a in slot 1
  EXPECT_EQ(f.SpinEdit1->Value(), 2);
  EXPECT_EQ(w.folderList->Cell(1, 1), a.path());
  EXPECT_EQ(w.folderList->Cell(0, 1), "Memory[1]");
  framework::IniDocument ini(w.folder.ReadFile("Kaleidon.ini"));
  EXPECT_EQ(ini.Value("DirectoryBuf", "PathMemory1"), framework::ToAnsi(a.path()));
  w.boxes.Clear();
  f.Button6->Click();  // the same folder again: refused
  EXPECT_EQ(w.boxes.Count(), 1u);
  EXPECT_EQ(w.folderList->Cell(1, 2), "");

  f.dlb1->SetDirectory(b.path());
  f.SpinEdit1->SetValue(1);
  EXPECT_EQ(f.Label4->Text(), a.path());
  f.Button8->Click();  // recall slot 1
  EXPECT_EQ(JoinPath(f.dlb1->Directory(), ""), a.path());
  EXPECT_EQ(JoinPath(f.FileListBox2->Directory(), ""), a.path());
}
