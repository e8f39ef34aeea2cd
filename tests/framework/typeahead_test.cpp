// Typing in the folder and file lists, which keep their names in the program.
#include <gtest/gtest.h>

#include "framework/gui/application.h"
#include "framework/gui/filectrls.h"
#include "framework/gui/layout.h"
#include "framework/base/text.h"
#include "support/tempdir.h"

using namespace framework;

namespace {

// Keys come at the times the test chooses: quickly one after the other, or
// after a pause longer than the double-click time.
class TypingClock {
 public:
  TypingClock() {
    ListBox::SetKeyClock([this] { return now_; });
  }
  ~TypingClock() { ListBox::SetKeyClock(nullptr); }
  void Quick() { now_ += 50; }
  void Pause() { now_ += GetDoubleClickTime() + 1; }

 private:
  unsigned long now_ = 0xFFFFF000;  // goes round through zero on the way
};

struct Lists {
  Form form{FormStyle::FixedDialog("TTypeAheadTest", "キー入力", 516, 376)};
  DirectoryListBox* folders;
  FileListBox* files;
  Lists() { CreateControls(form, {{&folders, 5, 35, 251, 221}, {&files, 260, 35, 251, 221}}); }
};

void Type(ListBox& list, std::string_view utf8) {
  for (wchar_t c : Widen(utf8)) SendMessageW(list.Handle(), WM_CHAR, c, 1);
}

}  // namespace

TEST(TypeAhead, TypingInTheFileListSelectsTheNameBeingTyped) {
  TempDir dir;
  for (const char* name : {"apple.bmp", "Apricot.bmp", "avocado.bmp", "banana.bmp", "Blueberry.bmp", "Äpfel.bmp",
                           "カレイドン.bmp", "ｶﾒﾗ.bmp", "がぞう.bmp", "壁紙.bmp"})
    dir.WriteFile(name, "x");
  Lists l;
  l.files->SetDirectory(dir.path());
  ASSERT_EQ(l.files->Count(), 10);
  int changes = 0;
  l.files->OnChange = [&] { ++changes; };
  TypingClock clock;

  struct Step {
    bool pause;          // a pause before the keys: a new name begins
    const char* typed;   // typed quickly one after the other
    const char* chosen;  // the name selected afterwards
  } steps[] = {
      {true, "ap", "apple.bmp"},
      {false, "r", "Apricot.bmp"},        // "apr"
      {true, "a", "avocado.bmp"},         // one letter: the next name beginning with it
      {false, "a", "apple.bmp"},          // the same letter again: on, round to the top
      {false, "a", "Apricot.bmp"},
      {true, "BL", "Blueberry.bmp"},      // case does not matter,
      {true, "ä", "Äpfel.bmp"},           // not for other letters either
      {true, "かめ", "ｶﾒﾗ.bmp"},          // nor kana or width
      {true, "ｶﾚ", "カレイドン.bmp"},
      {true, "ｶﾞ", "がぞう.bmp"},         // a voiced half-width kana is one letter
      {true, "壁", "壁紙.bmp"},
      {true, "z", "壁紙.bmp"},            // no such name: the selection stays
  };
  int moves = 0;
  for (const Step& s : steps) {
    SCOPED_TRACE(s.typed);
    if (s.pause) clock.Pause();
    for (wchar_t c : Widen(s.typed)) {
      const int before = l.files->ItemIndex();
      clock.Quick();
      SendMessageW(l.files->Handle(), WM_CHAR, c, 1);
      if (l.files->ItemIndex() != before) ++moves;
    }
    EXPECT_EQ(l.files->Item(l.files->ItemIndex()), s.chosen);
    EXPECT_EQ(l.files->FileName(), dir.PathOf(s.chosen));
    EXPECT_EQ(changes, moves);  // once for every move of the selection, as a click
  }

  // A key pressed on the keyboard: its character comes from the key-down
  // message as the message loop translates it.
  clock.Pause();
  PostMessageW(l.files->Handle(), WM_KEYDOWN, 'B', 0x00300001);
  PostMessageW(l.files->Handle(), WM_KEYUP, 'B', 0xC0300001);
  Application::Instance().ProcessMessages();
  EXPECT_EQ(l.files->Item(l.files->ItemIndex()), "banana.bmp");
}

TEST(TypeAhead, TypingInTheFolderListSelectsAFolderThatEnterThenOpens) {
  TempDir dir;
  for (const char* name : {"Album\\Photos", "Album\\pictures", "Album\\写真", "Album\\ｶﾒﾗ"}) dir.MakeFolder(name);
  dir.WriteFile("Album\\pictures\\sun.bmp", "x");
  Lists l;
  l.folders->SetFileList(l.files);
  const std::string album = dir.PathOf("Album");
  l.folders->SetDirectory(album);
  int selections = 0, folderChanges = 0;
  l.folders->ListBox::OnChange = [&] { ++selections; };
  l.folders->OnChange = [&] { ++folderChanges; };
  TypingClock clock;

  Type(*l.folders, "pi");
  EXPECT_EQ(l.folders->PathOfItem(l.folders->ItemIndex()), album + "\\pictures");
  clock.Pause();
  Type(*l.folders, "写");
  EXPECT_EQ(l.folders->PathOfItem(l.folders->ItemIndex()), album + "\\写真");
  clock.Pause();
  Type(*l.folders, "カ");
  EXPECT_EQ(l.folders->PathOfItem(l.folders->ItemIndex()), album + "\\ｶﾒﾗ");
  clock.Pause();
  Type(*l.folders, "PIC");
  EXPECT_EQ(l.folders->PathOfItem(l.folders->ItemIndex()), album + "\\pictures");
  // Typing moves the highlight only, as a click does ("p" to Photos, "pi" to
  // pictures, 写真, ｶﾒﾗ, then again Photos and pictures); Enter opens the folder.
  EXPECT_EQ(selections, 6);
  EXPECT_EQ(folderChanges, 0);
  EXPECT_EQ(l.folders->Directory(), album);

  SendMessageW(l.folders->Handle(), WM_KEYDOWN, VK_RETURN, 0);
  EXPECT_EQ(l.folders->Directory(), album + "\\pictures");
  EXPECT_EQ(folderChanges, 1);
  EXPECT_EQ(l.files->Items(), std::vector<std::string>{"sun.bmp"});
}
