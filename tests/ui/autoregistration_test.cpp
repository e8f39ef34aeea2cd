// Automatic registration from the main window's button "自動登録(&A)", over
// real folder trees.
#include <gtest/gtest.h>

#include <algorithm>

#include "framework/base/inidocument.h"
#include "framework/base/inifile.h"
#include "framework/base/paths.h"
#include "framework/base/text.h"
#include "framework/imaging/bitmap.h"
#include "framework/imaging/graphics.h"
#include "support/folderlink.h"
#include "support/programwindows.h"
#include "support/mainwindow.h"

namespace {

std::string Settings(const std::string& currentFolder, int slotCount, const std::vector<std::string>& slots,
                     const std::string& extraSysInfo = "") {
  std::string text = "[SysInfo]\r\nProgramVersion=0.6\r\nMemoryCount=" + std::to_string(slotCount) +
                     "\r\nPath=" + framework::EncodeStoredText(currentFolder) + "\r\n" + extraSysInfo + "[DirectoryBuf]\r\n";
  for (size_t n = 0; n < slots.size(); ++n)
    text += "PathMemory" + std::to_string(n + 1) + "=" + framework::EncodeStoredText(slots[n]) + "\r\n";
  return text;
}

std::vector<std::string> Rows(const kaleidon::TForm5& list, int first, int last) {
  std::vector<std::string> rows;
  for (int n = first; n <= last; ++n) rows.push_back(list.Cell(1, n));
  return rows;
}

std::vector<std::string> Sorted(std::vector<std::string> v) {
  std::sort(v.begin(), v.end());
  return v;
}

HCURSOR CrossCursor() { return LoadCursorW(nullptr, IDC_CROSS); }

}  // namespace

TEST(AutomaticRegistration, RegistersEveryPictureFolderBelowOnceAndCompactsTheList) {
  TempDir tree, other;
  tree.WriteFile("top.bmp", "x");  // the current folder's own picture
  tree.WriteFile("pics\\a.bmp", "x");
  tree.WriteFile("pics\\inner\\b.jpg", "x");
  tree.MakeFolder("empty");
  tree.WriteFile("only-sub\\nested\\c.bmp", "x");
  tree.WriteFile("隠し\\d.bmp", "x");
  SetFileAttributesW(framework::Widen(tree.PathOf("隠し")).c_str(), FILE_ATTRIBUTE_HIDDEN);
  tree.WriteFile("notes\\readme.txt", "x");
  FolderLink loop(tree.PathOf("pics\\inner\\loop"), tree.path());
  ASSERT_FALSE(loop.Kind().empty()) << "no folder link could be made";
  // pics is remembered already, in slot 1.
  ProgramWindows w(Settings(tree.path(), 2, {tree.PathOf("pics\\"), other.path()}));
  ::SetCursor(CrossCursor());
  w.boxes.Clear();
  const uint64_t replacements = framework::IniFile::Replacements();

  Widgets(*w.main).Button12->Click();

  kaleidon::TForm5& list = *w.folderList;
  EXPECT_EQ(w.boxes.Count(), 0u);
  // The folders found and the compacted list: one replacement of the file.
  EXPECT_EQ(framework::IniFile::Replacements() - replacements, 1u);
  EXPECT_EQ(w.options->Values().slotCount, 5);
  EXPECT_TRUE(Widgets(*w.main).SpinEdit1->Enabled());
  EXPECT_EQ(Rows(list, 1, 2), (std::vector<std::string>{tree.PathOf("pics\\"), other.path()}));
  EXPECT_EQ(Sorted(Rows(list, 3, 5)),
            Sorted({tree.PathOf("pics\\inner\\"), tree.PathOf("only-sub\\nested\\"), tree.PathOf("隠し\\")}));
  EXPECT_EQ(list.Cell(1, 6), "");
  EXPECT_EQ(list.Cell(0, 5), "Memory[5]");
  EXPECT_EQ(list.Cell(0, 6), "");
  framework::IniDocument ini(framework::DecodeStoredText(w.folder.ReadFile("Kaleidon.ini")));
  EXPECT_EQ(ini.Keys("DirectoryBuf").size(), 5u);
  EXPECT_EQ(ini.Value("DirectoryBuf", "PathMemory5"), list.Cell(1, 5));
  EXPECT_TRUE(list.CheckBox2->Checked());
  // Afterwards: the arrow again, and the scratch list as it was.
  EXPECT_EQ(GetCursor(), CrossCursor());
  EXPECT_EQ(Widgets(*w.main).FileListBox1->Mask(), "*.*");
  SetFileAttributesW(framework::Widen(tree.PathOf("隠し")).c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(AutomaticRegistration, TheMaskIsEveryPictureFormatOrTheChosenFileTypeWhenArchivesAreAsked) {
  TempDir tree;
  tree.WriteFile("bitmaps\\a.bmp", "x");
  tree.WriteFile("plugin\\a.pic", "x");
  tree.WriteFile("archives\\a.lzh", "x");
  struct Case {
    const char* autoFind;
    std::vector<std::string> registered;
  };
  for (const Case& c : {Case{"0", {"bitmaps\\", "plugin\\"}}, Case{"1", {"archives\\"}}}) {
    SCOPED_TRACE(c.autoFind);
    // The custom file type "*.lzh" is the chosen one.
    ProgramWindows w(Settings(tree.path(), 0, {},
                              std::string("AutoFind=") + c.autoFind + "\r\nFilter=99\r\nCustomMask=*.lzh\r\n"));
    // A format a plug-in adds while the program runs counts at once.
    framework::Picture::RegisterFileFormat("pic", "PIC", "Plug-in",
                                           [] { return std::make_unique<framework::Bitmap>(); });
    const int chosen = Widgets(*w.main).FilterComboBox1->ItemIndex();
    Widgets(*w.main).Button12->Click();
    framework::Picture::UnregisterFileFormat("pic");

    std::vector<std::string> expected;
    for (const std::string& folder : c.registered) expected.push_back(tree.PathOf(folder));
    EXPECT_EQ(w.options->Values().slotCount, static_cast<int>(expected.size()));
    EXPECT_EQ(Sorted(Rows(*w.folderList, 1, static_cast<int>(expected.size()))), expected);
    // The file-type box and the main list keep the user's choice.
    EXPECT_EQ(Widgets(*w.main).FilterComboBox1->ItemIndex(), chosen);
    EXPECT_EQ(Widgets(*w.main).FileListBox2->Mask(), "*.lzh");
  }
}

TEST(AutomaticRegistration, StopsAtSlot200AndSaysHowManyFoldersWereLeftOut) {
  TempDir tree;
  for (int i = 1; i <= 5; ++i) tree.WriteFile("p" + std::to_string(i) + "\\a.bmp", "x");
  std::vector<std::string> remembered;
  for (int n = 1; n <= 198; ++n) remembered.push_back("C:\\m\\" + std::to_string(n) + "\\");
  ProgramWindows w(Settings(tree.path(), 198, remembered));
  w.boxes.Clear();

  Widgets(*w.main).Button12->Click();

  EXPECT_EQ(w.options->Values().slotCount, 200);
  EXPECT_EQ(w.folderList->Cell(1, 198), "C:\\m\\198\\");
  for (int n : {199, 200}) EXPECT_EQ(w.folderList->Cell(1, n).rfind(tree.PathOf("p"), 0), 0u) << n;
  ASSERT_EQ(w.boxes.Count(), 1u);
  EXPECT_EQ(w.boxes.Last().caption, "正義の自動登録");
  EXPECT_NE(w.boxes.Last().text.find("のうち 3 個は登録できなかったぞ"), std::string::npos) << w.boxes.Last().text;
  EXPECT_EQ(w.boxes.Last().flags & MB_ICONMASK, static_cast<unsigned>(MB_ICONINFORMATION));
}

TEST(AutomaticRegistration, ARefusedSettingsWriteChangesNothingAndTheListShowsTheFile) {
  TempDir tree;
  tree.WriteFile("a\\a.bmp", "x");
  tree.WriteFile("b\\b.bmp", "x");
  ProgramWindows w(Settings(tree.path(), 1, {"C:\\old\\"}));
  const std::string stored = w.folder.ReadFile("Kaleidon.ini");
  w.folder.SetReadOnly("Kaleidon.ini", true);
  ::SetCursor(CrossCursor());
  w.boxes.Clear();

  Widgets(*w.main).Button12->Click();

  w.folder.SetReadOnly("Kaleidon.ini", false);
  ASSERT_EQ(w.boxes.Count(), 1u);
  EXPECT_EQ(w.boxes.Last().text, w.folder.PathOf("Kaleidon.ini") + " に書き込めません.");
  EXPECT_EQ(w.folder.ReadFile("Kaleidon.ini"), stored);
  EXPECT_EQ(Rows(*w.folderList, 1, 3), (std::vector<std::string>{"C:\\old\\", "", ""}));
  EXPECT_EQ(w.folderList->Cell(0, 2), "");
  EXPECT_FALSE(w.folderList->CheckBox2->Checked());
  EXPECT_EQ(w.options->Values().slotCount, 1);
  EXPECT_EQ(GetCursor(), CrossCursor());
  EXPECT_EQ(Widgets(*w.main).FileListBox1->Mask(), "*.*");
}
