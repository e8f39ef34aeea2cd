#include "framework/gui/dialogs.h"

#include <gtest/gtest.h>

#include "framework/gui/forms.h"
#include "support/filedialogs.h"
#include "support/tempdir.h"

using namespace framework;

TEST(OpenDialog, FilterBecomesTheSystemsNulSeparatedList) {
  struct Case {
    const char* filter;
    std::wstring expected;
  };
  for (const Case& c : {
           Case{"Wave File|*.WAV", std::wstring(L"Wave File\0*.WAV\0\0", 17)},
           Case{"画像|*.bmp;*.jpg|すべて|*.*", std::wstring(L"画像\0*.bmp;*.jpg\0すべて\0*.*\0\0", 24)},
           Case{"説明だけ", std::wstring(L"\0", 1)},
           Case{"A|*.a|B", std::wstring(L"A\0*.a\0\0", 7)},
       }) {
    EXPECT_EQ(DialogFilter(c.filter), c.expected) << c.filter;
  }
}

TEST(OpenDialog, ChoosingAFileGivesItsFullPathAndCancellingChangesNothing) {
  TempDir dir;
  dir.WriteFile("鐘.wav", "RIFF");
  Form owner(FormStyle::FixedDialog("TDialogOwner", "持ち主", 200, 100));
  OpenDialog dialog;
  dialog.SetFilter("Wave File|*.WAV");
  dialog.SetInitialDir(dir.path());
  {
    FileDialogAnswer answer("", dir.PathOf("鐘.wav"));
    EXPECT_TRUE(dialog.Execute(owner.Handle()));
    EXPECT_TRUE(answer.Seen());
  }
  EXPECT_EQ(dialog.FileName(), dir.PathOf("鐘.wav"));
  {
    FileDialogAnswer cancel("", "");
    EXPECT_FALSE(dialog.Execute(owner.Handle()));
    EXPECT_TRUE(cancel.Seen());
  }
  EXPECT_EQ(dialog.FileName(), dir.PathOf("鐘.wav"));
}

TEST(SaveDialog, TheChosenNameIsTheFullPathAndCancelChangesNothing) {
  TempDir dir;
  Form owner(FormStyle::FixedDialog("TSaveTest", "保存", 100, 50));
  SaveDialog dialog;
  dialog.SetTitle("解凍");
  dialog.SetFilter("All Files (*.*)|*.*");
  dialog.SetFileName("全てのﾌｧｲﾙ");
  {
    FileDialogAnswer answer("解凍", "");
    EXPECT_FALSE(dialog.Execute(owner.Handle()));
    EXPECT_TRUE(answer.Seen());
    EXPECT_EQ(answer.OfferedName(), "全てのﾌｧｲﾙ");
    EXPECT_EQ(dialog.FileName(), "全てのﾌｧｲﾙ");
  }
  FileDialogAnswer answer("解凍", dir.PathOf("壁紙.bmp"));
  EXPECT_TRUE(dialog.Execute(owner.Handle()));
  EXPECT_TRUE(answer.Seen());
  EXPECT_EQ(dialog.FileName(), dir.PathOf("壁紙.bmp"));
}
