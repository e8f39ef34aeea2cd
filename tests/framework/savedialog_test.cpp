#include "framework/savedialog.h"

#include <gtest/gtest.h>

#include "framework/forms.h"
#include "support/filedialogs.h"
#include "support/tempdir.h"

using namespace framework;

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
