// The folder list dialog over the program's real windows: the list edits,
// the optimisations, the double click and the upgrade at the end of the
// start-up.
#include "ui/folderlistform.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <thread>

#include "framework/base/inidocument.h"
#include "framework/base/inifile.h"
#include "framework/base/paths.h"
#include "framework/base/text.h"
#include "selection/exclusions.h"
#include "support/measure.h"
#include "support/programwindows.h"
#include "support/userinput.h"
#include "support/mainwindow.h"

namespace {

using Slots = std::vector<std::pair<int, std::string>>;

std::string Settings(int slotCount, const Slots& slots, const std::string& version = "0.6") {
  std::string text = "[SysInfo]\r\nProgramVersion=" + version + "\r\nMemoryCount=" + std::to_string(slotCount) +
                     "\r\n[DirectoryBuf]\r\n";
  for (const auto& [n, path] : slots) text += "PathMemory" + std::to_string(n) + "=" + framework::EncodeStoredText(path) + "\r\n";
  return text;
}

framework::IniDocument Stored(const ProgramWindows& w) {
  return framework::IniDocument(framework::DecodeStoredText(w.folder.ReadFile("Kaleidon.ini")));
}

std::vector<std::string> Folders(const kaleidon::TForm5& list, int rows) {
  std::vector<std::string> folders;
  for (int n = 1; n <= rows; ++n) folders.push_back(list.Cell(1, n));
  return folders;
}

std::vector<std::optional<std::string>> StoredFolders(const ProgramWindows& w, int slots) {
  framework::IniDocument ini = Stored(w);
  std::vector<std::optional<std::string>> folders;
  for (int n = 1; n <= slots; ++n) folders.push_back(ini.Value("DirectoryBuf", "PathMemory" + std::to_string(n)));
  return folders;
}

const Slots kFourFolders = {{1, "C:\\A\\"}, {2, "C:\\B\\"}, {3, "C:\\C\\"}, {4, "C:\\D\\"}};

}  // namespace

TEST(FolderList, PopupEnablesTheMovesByTheSelectedRow) {
  ProgramWindows w(Settings(4, kFourFolders));
  kaleidon::TForm5& f = *w.folderList;
  EXPECT_TRUE(f.CheckBox1->Checked());
  EXPECT_FALSE(f.CheckBox1->Enabled());
  struct Case {
    int row;
    bool up, down;
  };
  for (const Case& c : {Case{1, false, true}, Case{2, true, true}, Case{3, true, true}, Case{4, false, false},
                        Case{5, false, false}, Case{200, false, false}}) {
    f.StringGrid1->SetRow(c.row);
    f.PopupMenu1->OnPopup();
    EXPECT_EQ(f.Up1->Enabled(), c.up) << c.row;
    EXPECT_EQ(f.Down1->Enabled(), c.down) << c.row;
    EXPECT_TRUE(f.Delete1->Enabled());
    EXPECT_TRUE(f.AllDelete1->Enabled());
  }
}

TEST(FolderList, MovesSwapNeighboursAndStoreBoth) {
  ProgramWindows w(Settings(4, kFourFolders));
  kaleidon::TForm5& f = *w.folderList;
  f.StringGrid1->SetRow(3);
  f.Up1->Click();
  EXPECT_EQ(Folders(f, 4), (std::vector<std::string>{"C:\\A\\", "C:\\C\\", "C:\\B\\", "C:\\D\\"}));
  EXPECT_EQ(f.StringGrid1->Row(), 2);
  f.Down1->Click();
  f.Down1->Click();
  EXPECT_EQ(Folders(f, 4), (std::vector<std::string>{"C:\\A\\", "C:\\B\\", "C:\\D\\", "C:\\C\\"}));
  EXPECT_EQ(f.StringGrid1->Row(), 4);
  EXPECT_EQ(StoredFolders(w, 4), (std::vector<std::optional<std::string>>{"C:\\A\\", "C:\\B\\", "C:\\D\\", "C:\\C\\"}));

  // Nothing above the first row, nothing below the last.
  f.StringGrid1->SetRow(1);
  f.Up1->Click();
  f.StringGrid1->SetRow(200);
  f.Down1->Click();
  EXPECT_EQ(f.StringGrid1->Row(), 200);
  EXPECT_EQ(Folders(f, 4), (std::vector<std::string>{"C:\\A\\", "C:\\B\\", "C:\\D\\", "C:\\C\\"}));
}

TEST(FolderList, DeleteMovesTheRowsBelowUpAndStoresEverySlot) {
  ProgramWindows w(Settings(4, kFourFolders));
  kaleidon::TForm5& f = *w.folderList;
  Widgets(*w.main).SpinEdit1->SetValue(2);
  f.StringGrid1->SetRow(2);
  f.Delete1->Click();
  EXPECT_EQ(Folders(f, 4), (std::vector<std::string>{"C:\\A\\", "C:\\C\\", "C:\\D\\", ""}));
  EXPECT_EQ(StoredFolders(w, 4), (std::vector<std::optional<std::string>>{"C:\\A\\", "C:\\C\\", "C:\\D\\", ""}));
  EXPECT_EQ(w.options->Values().slotCount, 4);
  EXPECT_EQ(Widgets(*w.main).Label4->Text(), "C:\\C\\");  // the main window shows what slot 2 holds now

  f.AllDelete1->Click();
  EXPECT_EQ(Folders(f, 4), std::vector<std::string>(4, ""));
  EXPECT_EQ(f.Cell(0, 4), "Memory[4]");
  EXPECT_FALSE(Stored(w).HasSection("DirectoryBuf"));
  EXPECT_EQ(w.options->Values().slotCount, 4);
}

TEST(FolderList, NormalOptimisationCompactsTheRowsAndLeavesTheKeysAboveTheCount) {
  ProgramWindows w(Settings(4, {{1, "C:\\A\\"}, {3, "C:\\B\\"}, {4, "c:\\a\\"}}));
  kaleidon::TForm5& f = *w.folderList;
  f.StringGrid1->SetRow(4);
  f.Button2->Click();
  EXPECT_EQ(w.options->Values().slotCount, 2);
  EXPECT_EQ(Widgets(*w.main).SpinEdit1->MaxValue(), 2);
  EXPECT_EQ(Folders(f, 4), (std::vector<std::string>{"C:\\A\\", "C:\\B\\", "", ""}));
  EXPECT_EQ(f.Cell(0, 2), "Memory[2]");
  EXPECT_EQ(f.Cell(0, 3), "");
  EXPECT_EQ(f.StringGrid1->Row(), 1);
  EXPECT_EQ(StoredFolders(w, 4),
            (std::vector<std::optional<std::string>>{"C:\\A\\", "C:\\B\\", "C:\\B\\", "c:\\a\\"}));
}

TEST(FolderList, CompleteOptimisationBringsBackSlotsStoredAboveTheCount) {
  ProgramWindows w(Settings(2, {{1, "C:\\A\\"}, {2, "C:\\B\\"}, {5, "C:\\C\\"}, {7, "C:\\b\\"}}));
  kaleidon::TForm5& f = *w.folderList;
  f.CheckBox2->SetChecked(true);
  f.Button2->Click();
  EXPECT_EQ(w.options->Values().slotCount, 3);
  EXPECT_EQ(Folders(f, 5), (std::vector<std::string>{"C:\\A\\", "C:\\B\\", "C:\\C\\", "", ""}));
  EXPECT_EQ(f.Cell(0, 3), "Memory[3]");
  EXPECT_EQ(Stored(w).Keys("DirectoryBuf"), (std::vector<std::string>{"PathMemory1", "PathMemory2", "PathMemory3"}));
  EXPECT_TRUE(f.CheckBox2->Checked());
}

TEST(FolderList, ACurrentSlotBeyondTheNewCountStartsAgainAtTheFirst) {
  struct Case {
    int slot;
    int expected;
  };
  for (const Case& c : {Case{5, 1}, Case{2, 2}}) {
    ProgramWindows w(Settings(5, {{1, "C:\\A\\"}, {2, "C:\\B\\"}, {4, "C:\\C\\"}, {5, "C:\\a\\"}}));
    Widgets(*w.main).SpinEdit1->SetValue(c.slot);
    w.folderList->Button2->Click();
    EXPECT_EQ(w.options->Values().slotCount, 3);
    EXPECT_EQ(Widgets(*w.main).SpinEdit1->Value(), c.expected);
    EXPECT_EQ(Widgets(*w.main).Label4->Text(), w.folderList->Cell(1, c.expected));
  }
}

TEST(FolderList, EachEditIsOneReplacementOfTheFileAndARefusedOneChangesNothing) {
  // Four slots in use, a folder twice, one stored above the count.
  const Slots slots = {{1, "C:\\A\\"}, {2, "C:\\B\\"}, {3, "C:\\a\\"}, {4, "C:\\D\\"}, {6, "C:\\F\\"}};
  struct Case {
    const char* what;
    int row;
    std::function<void(kaleidon::TForm5&)> edit;
    std::vector<std::string> after;  // rows 1..6 once stored
    int slotCount;
  };
  const Case cases[] = {
      {"move up", 3, [](kaleidon::TForm5& f) { f.Up1->Click(); },
       {"C:\\A\\", "C:\\a\\", "C:\\B\\", "C:\\D\\", "", ""}, 4},
      {"move down", 1, [](kaleidon::TForm5& f) { f.Down1->Click(); },
       {"C:\\B\\", "C:\\A\\", "C:\\a\\", "C:\\D\\", "", ""}, 4},
      {"delete", 2, [](kaleidon::TForm5& f) { f.Delete1->Click(); },
       {"C:\\A\\", "C:\\a\\", "C:\\D\\", "", "", ""}, 4},
      {"delete all", 2, [](kaleidon::TForm5& f) { f.AllDelete1->Click(); }, {"", "", "", "", "", ""}, 4},
      {"optimisation", 1, [](kaleidon::TForm5& f) { f.Button2->Click(); },
       {"C:\\A\\", "C:\\B\\", "C:\\D\\", "", "", ""}, 3},
      {"complete optimisation", 1,
       [](kaleidon::TForm5& f) {
         f.CheckBox2->SetChecked(true);
         f.Button2->Click();
       },
       {"C:\\A\\", "C:\\B\\", "C:\\D\\", "C:\\F\\", "", ""}, 4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ProgramWindows w(Settings(4, slots));
    kaleidon::TForm5& f = *w.folderList;
    const std::string stored = w.folder.ReadFile("Kaleidon.ini");
    const std::vector<std::string> shown = Folders(f, 6);

    // Refused: the file stays byte for byte, and the table shows it.
    w.folder.SetReadOnly("Kaleidon.ini", true);
    w.boxes.Clear();
    f.StringGrid1->SetRow(c.row);
    c.edit(f);
    w.folder.SetReadOnly("Kaleidon.ini", false);
    ASSERT_EQ(w.boxes.Count(), 1u);
    EXPECT_EQ(w.boxes.Last().text, w.folder.PathOf("Kaleidon.ini") + " に書き込めません.");
    EXPECT_EQ(w.boxes.Last().flags & MB_ICONMASK, static_cast<unsigned>(MB_ICONERROR));
    EXPECT_EQ(w.folder.ReadFile("Kaleidon.ini"), stored);
    EXPECT_EQ(Folders(f, 6), shown);
    EXPECT_EQ(w.options->Values().slotCount, 4);

    // Taken: one replacement of the file for the whole edit.
    f.CheckBox2->SetChecked(false);
    f.StringGrid1->SetRow(c.row);
    const uint64_t before = framework::IniFile::Replacements();
    c.edit(f);
    EXPECT_EQ(framework::IniFile::Replacements() - before, 1u);
    EXPECT_EQ(Folders(f, 6), c.after);
    EXPECT_EQ(w.options->Values().slotCount, c.slotCount);
    std::vector<std::string> inFile;
    for (int n = 1; n <= c.slotCount; ++n)
      inFile.push_back(Stored(w).Value("DirectoryBuf", "PathMemory" + std::to_string(n)).value_or(""));
    EXPECT_EQ(inFile, std::vector<std::string>(c.after.begin(), c.after.begin() + c.slotCount));
  }
}

TEST(FolderList, DoubleClickMakesTheRowTheCurrentFolderAndCloses) {
  TempDir pictures;
  pictures.MakeFolder("写真");
  const std::string photos = pictures.PathOf("写真\\");
  ProgramWindows w(Settings(3, {{1, photos}, {2, pictures.PathOf("消えた\\")}}));
  kaleidon::TForm5& f = *w.folderList;
  const std::string before = Widgets(*w.main).dlb1->Directory();
  auto doubleClick = [&](int row) {
    f.Show();
    RECT cell = f.StringGrid1->CellRect(1, row);
    LPARAM at = MAKELPARAM(cell.left + 5, (cell.top + cell.bottom) / 2);
    SendMessageW(f.StringGrid1->Handle(), WM_LBUTTONDBLCLK, MK_LBUTTON, at);
    SendMessageW(f.StringGrid1->Handle(), WM_LBUTTONUP, 0, at);
  };
  w.boxes.Clear();
  doubleClick(3);  // an empty row: nothing moves, the dialog closes
  EXPECT_EQ(Widgets(*w.main).dlb1->Directory(), before);
  EXPECT_FALSE(f.Visible());
  doubleClick(2);  // a folder that is gone: the error, and the dialog stays
  EXPECT_EQ(w.boxes.Count(), 1u);
  EXPECT_EQ(Widgets(*w.main).dlb1->Directory(), before);
  EXPECT_TRUE(f.Visible());
  doubleClick(1);
  EXPECT_EQ(f.StringGrid1->Row(), 1);
  EXPECT_EQ(framework::JoinPath(Widgets(*w.main).dlb1->Directory(), ""), photos);
  EXPECT_EQ(framework::JoinPath(Widgets(*w.main).FileListBox2->Directory(), ""), photos);
  EXPECT_EQ(Widgets(*w.main).Label1->Text(), photos);
  EXPECT_FALSE(f.Visible());
}

TEST(FolderList, StartOverAnOlderSettingsFileCompactsTheListCompletely) {
  struct Case {
    const char* version;
    int slotCount;
    int countAfter;
    std::vector<std::string> keysAfter;
    const char* thirdRow;
  };
  const Slots slots = {{1, "C:\\A\\"}, {3, "C:\\B\\"}, {4, "c:\\a\\"}, {9, "C:\\C\\"}};
  const std::vector<std::string> compacted = {"PathMemory1", "PathMemory2", "PathMemory3"};
  const std::vector<std::string> untouched = {"PathMemory1", "PathMemory3", "PathMemory4", "PathMemory9"};
  for (const Case& c : {Case{"0.5", 0, 0, compacted, "C:\\C\\"}, Case{"0.5", 4, 3, compacted, "C:\\C\\"},
                        Case{"0.6", 4, 4, untouched, "C:\\B\\"}}) {
    SCOPED_TRACE(std::string(c.version) + " " + std::to_string(c.slotCount));
    ProgramWindows w(Settings(c.slotCount, slots, c.version));
    kaleidon::RunStartupChange(w, kaleidon::CommandLine{});
    EXPECT_EQ(w.options->Values().slotCount, c.countAfter);
    EXPECT_EQ(Widgets(*w.main).SpinEdit1->Enabled(), c.countAfter > 0);
    EXPECT_EQ(Stored(w).Keys("DirectoryBuf"), c.keysAfter);
    EXPECT_FALSE(w.folderList->CheckBox2->Checked());
    EXPECT_EQ(w.folderList->Cell(1, 3), c.thirdRow);
  }
}

TEST(FolderList, ShowsTheRowFoldersExclusionsAndClearsThemAfterAsking) {
  TempDir some, none;
  for (const char* name : {"a.bmp", "b.bmp", "𠮷.bmp"}) some.WriteFile(name, name);
  some.WriteFile("_Buf.RFB", "a.bmp\r\n");
  kaleidon::ExcludePicture({some.PathOf("b.bmp"), {}});
  kaleidon::ExcludePicture({some.PathOf("𠮷.bmp"), {}});
  // Both folders shown through in this pass of the rotation.
  ProgramWindows w(Settings(2, {{1, some.path()}, {2, none.path()}}) + "[AllFilesSelectedDirectorys]\r\nDirectory1=" +
                   framework::EncodeStoredText(framework::JoinPath(some.path(), "")) + "\r\nDirectory2=" +
                   framework::EncodeStoredText(framework::JoinPath(none.path(), "")) + "\r\n");
  kaleidon::TForm5& f = *w.folderList;
  Widgets(*w.main).SpinEdit1->SetValue(2);
  w.boxes.Clear();

  // What the dialog shows, read on its own thread.
  struct Seen {
    std::string label;
    bool enabled;
    size_t boxes;
  };
  std::vector<Seen> seen;
  std::thread user([&] {
    HWND dialog = WaitForWindow([] { return FindProcessWindow(L"TForm5", "フォルダリスト"); });
    if (!dialog) return;
    auto look = [&] {
      std::atomic<bool> done = false;
      framework::Application::Instance().Queue([&] {
        seen.push_back({f.Label1->Text(), f.Button3->Enabled(), w.boxes.Count()});
        done = true;
      });
      WaitForWindow([&] { return done ? dialog : nullptr; });
    };
    // Waits until the dialog has taken a click: its label changed or a box came.
    auto settle = [&](const Seen before) {
      for (int i = 0; i < 200; ++i) {
        look();
        if (seen.back().label != before.label || seen.back().boxes != before.boxes) return;
        seen.pop_back();
        Sleep(20);
      }
    };
    look();  // opened on the current slot's row
    const RECT row1 = f.StringGrid1->CellRect(1, 1);
    ClickAt(f.StringGrid1->Handle(), POINT{(row1.left + row1.right) / 2, (row1.top + row1.bottom) / 2});
    settle(seen.back());
    RECT button;
    GetClientRect(f.Button3->Handle(), &button);
    const POINT middle{button.right / 2, button.bottom / 2};
    w.boxes.SetAnswer(IDNO);
    ClickAt(f.Button3->Handle(), middle);
    settle(seen.back());
    w.boxes.SetAnswer(IDYES);
    ClickAt(f.Button3->Handle(), middle);
    settle(seen.back());
    PostMessageW(dialog, WM_CLOSE, 0, 0);
  });
  Widgets(*w.main).Button9->Click();  // modal until the dialog closes
  user.join();

  ASSERT_EQ(seen.size(), 4u);
  EXPECT_EQ(seen[0].label, "除外：0 枚");  // slot 2's folder excludes nothing
  EXPECT_FALSE(seen[0].enabled);
  EXPECT_EQ(seen[1].label, "除外：2 枚");  // the row clicked
  EXPECT_TRUE(seen[1].enabled);
  // Answered no: nothing changes.
  EXPECT_EQ(seen[2].label, "除外：2 枚");
  EXPECT_EQ(seen[2].boxes, 1u);
  EXPECT_EQ(seen[3].label, "除外：0 枚");
  EXPECT_FALSE(seen[3].enabled);
  ASSERT_EQ(w.boxes.Count(), 2u);
  EXPECT_EQ(w.boxes.Last().caption, "正義の除外解除");
  EXPECT_EQ(w.boxes.Last().text,
            "このフォルダで「今後使わない」にした正義の画像 2 枚を、\rまた壁紙に使うようにするぞ。よいか？\r\r" +
                some.path());
  EXPECT_EQ(w.boxes.Last().flags, static_cast<unsigned>(MB_YESNO | MB_ICONQUESTION));
  // Only the list went; the pictures and the history stay. The folder has
  // pictures to show again: the rotation no longer passes it over.
  EXPECT_EQ(some.FileNames(), (std::vector<std::string>{"_Buf.RFB", "a.bmp", "b.bmp", "𠮷.bmp"}));
  EXPECT_EQ(Stored(w).Keys("AllFilesSelectedDirectorys"), std::vector<std::string>{"Directory2"});
  EXPECT_EQ(some.ReadFile("_Buf.RFB"), "a.bmp\r\n");
}

TEST(FolderList, TheExclusionCountAndItsButtonLieApartFromTheOtherControlsAndFit) {
  ProgramWindows w;
  kaleidon::TForm5& f = *w.folderList;
  f.Label1->SetText("除外：99999 枚");
  const RECT client{0, 0, f.ClientSize().cx, f.ClientSize().cy};
  const std::vector<const framework::Control*> added = {f.Label1, f.Button3};
  for (const framework::Control* mine : added) {
    RECT b = mine->Bounds(), inside;
    EXPECT_TRUE(IntersectRect(&inside, &b, &client) && EqualRect(&inside, &b)) << mine->Name();
    for (const auto& other : f.Controls()) {
      if (std::find(added.begin(), added.end(), other.get()) != added.end()) continue;
      RECT o = other->Bounds(), overlap;
      EXPECT_FALSE(IntersectRect(&overlap, &b, &o)) << mine->Name() << " / " << other->Name();
    }
  }
  RECT label = f.Label1->Bounds(), button = f.Button3->Bounds(), between;
  EXPECT_FALSE(IntersectRect(&between, &label, &button));
  EXPECT_LE(TextWidth(*f.Button3) + 4, f.Button3->Width());
}

TEST(FolderList, WithoutFolderMemoryTheCountIsTheListedFolders) {
  TempDir pictures;
  pictures.WriteFile("a.bmp", "A");
  kaleidon::ExcludePicture({pictures.PathOf("a.bmp"), {}});
  ProgramWindows w("[SysInfo]\r\nProgramVersion=0.6\r\nMemoryCount=0\r\nPath=" +
                   framework::EncodeStoredText(pictures.path()) + "\r\n");
  kaleidon::TForm5& f = *w.folderList;
  f.FormShow();
  EXPECT_EQ(f.Label1->Text(), "除外：1 枚");
  EXPECT_TRUE(f.Button3->Enabled());
}

TEST(FolderList, TheRowMenuSetsAndClearsATimeSpanThatMovesWithItsFolder) {
  ProgramWindows w(Settings(3, {{1, "C:\\A\\"}, {2, "C:\\B\\"}, {3, "C:\\C\\"}}));
  kaleidon::TForm5& f = *w.folderList;
  EXPECT_EQ(f.StringGrid1->Cells(2, 0), "時間帯");
  std::vector<std::string> answers, asked;
  f.AskSpan = [&](const std::string& current) -> std::optional<std::string> {
    asked.push_back(current);
    if (answers.empty()) return std::nullopt;
    std::string typed = answers.front();
    answers.erase(answers.begin());
    return typed;
  };
  auto spans = [&f] {
    return std::vector<std::string>{f.StringGrid1->Cells(2, 1), f.StringGrid1->Cells(2, 2), f.StringGrid1->Cells(2, 3)};
  };
  auto storedSpan = [&w](int slot) { return Stored(w).Value("DirectoryBuf", "PathSpan" + std::to_string(slot)); };

  // Refused text is said so and asked for again as typed; a span is written
  // plainly beside its folder.
  f.StringGrid1->SetRow(2);
  answers = {"25:00-6:00", " 22:00～05:00 "};
  f.Span1->Click();
  EXPECT_EQ(asked, (std::vector<std::string>{"", "25:00-6:00"}));
  ASSERT_EQ(w.boxes.Count(), 1u);
  EXPECT_EQ(w.boxes.Calls()[0].caption, "悪のエラー");
  EXPECT_EQ(w.boxes.Calls()[0].text,
            "ぐあっ！「25:00-6:00」は時間帯として読めないぞ！\r"
            "6:00-18:00 や 22:00-5:00 のように、始まりと終わりの時刻を「-」でつないでくれ");
  EXPECT_EQ(spans(), (std::vector<std::string>{"", "22:00-5:00", ""}));
  EXPECT_EQ(storedSpan(2), "22:00-5:00|C:\\B\\");
  EXPECT_EQ(w.main->RememberedFolders().Span(2), kaleidon::ParseTimeSpan("22:00-5:00"));

  // Moved and deleted rows take their spans along.
  f.Up1->Click();
  EXPECT_EQ(spans(), (std::vector<std::string>{"22:00-5:00", "", ""}));
  EXPECT_EQ(storedSpan(1), "22:00-5:00|C:\\B\\");
  EXPECT_EQ(storedSpan(2), std::nullopt);
  f.StringGrid1->SetRow(2);
  answers = {"6:00-18:00"};
  f.Span1->Click();
  f.StringGrid1->SetRow(1);
  f.Delete1->Click();
  EXPECT_EQ(Folders(f, 3), (std::vector<std::string>{"C:\\A\\", "C:\\C\\", ""}));
  EXPECT_EQ(spans(), (std::vector<std::string>{"6:00-18:00", "", ""}));
  EXPECT_EQ(storedSpan(1), "6:00-18:00|C:\\A\\");
  EXPECT_EQ(storedSpan(2), std::nullopt);
  // The optimisation keeps them, and clearing one removes its key.
  f.Button2->Click();
  EXPECT_EQ(spans(), (std::vector<std::string>{"6:00-18:00", "", ""}));
  EXPECT_EQ(storedSpan(1), "6:00-18:00|C:\\A\\");
  f.StringGrid1->SetRow(1);
  f.SpanClear1->Click();
  EXPECT_EQ(spans(), (std::vector<std::string>{"", "", ""}));
  EXPECT_EQ(storedSpan(1), std::nullopt);
}
