#include <gtest/gtest.h>

#include "framework/base/paths.h"
#include "framework/base/text.h"
#include "framework/gui/application.h"
#include "framework/gui/filectrls.h"
#include "framework/gui/layout.h"
#include "framework/gui/shellicons.h"
#include "support/messageboxes.h"
#include "support/tempdir.h"
//
#include <commctrl.h>

using namespace framework;

namespace {

FormStyle FileFormStyle() { return FormStyle::FixedDialog("TFileControlsTest", "ファイル", 516, 376); }

// A folder path as the controls give it back: no trailing "\".
std::string Folder(const std::string& path) {
  std::string f = path;
  if (f.size() > 3 && f.back() == '\\') f.pop_back();
  return f;
}

void SetAttributes(const TempDir& dir, const std::string& name, DWORD attributes) {
  ASSERT_TRUE(SetFileAttributesW(Widen(dir.PathOf(name)).c_str(), attributes));
}

// What the form does when the user double-clicks or picks an item.
void Notify(Form& form, WinControl& control, int code) {
  SendMessageW(form.Handle(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(control.Handle()), code),
               reinterpret_cast<LPARAM>(control.Handle()));
}

struct FileForm {
  Form form{FileFormStyle()};
  DriveComboBox* drives;
  DirectoryListBox* folders;
  FileListBox* files;
  FilterComboBox* filter;
  FileForm() {
    CreateControls(form, {{&drives, 5, 5, 251},
                          {&folders, 5, 35, 251, 221},
                          {&filter, 260, 5, 251},
                          {&files, 260, 35, 251, 221}});
  }
};

}  // namespace

TEST(FileMask, PatternsAreMatchedWithoutCaseAndWithTheFileSystemSpellings) {
  EXPECT_TRUE(MatchesMask("*.bmp;*.jpg", "photo.JPG"));
  EXPECT_TRUE(MatchesMask("*.BMP", "a.bmp"));
  EXPECT_FALSE(MatchesMask("*.bmp", "a.bmpx"));
  EXPECT_FALSE(MatchesMask("*.jpg", "jpg"));
  EXPECT_TRUE(MatchesMask("*.*", "README"));
  EXPECT_TRUE(MatchesMask("*.*", "a.b.c"));
  EXPECT_TRUE(MatchesMask("notes.*", "notes"));
  EXPECT_TRUE(MatchesMask("notes.*", "NOTES.txt"));
  EXPECT_TRUE(MatchesMask("*.", "README"));
  EXPECT_FALSE(MatchesMask("*.", "read.me"));
  EXPECT_TRUE(MatchesMask("*.bmp.", "a.bmp"));
  EXPECT_TRUE(MatchesMask("img??.pic", "IMG01.PIC"));
  EXPECT_FALSE(MatchesMask("img??.pic", "IMG1.PIC"));
  EXPECT_TRUE(MatchesMask(" *.mag ; *.pic", "x.MAG"));
  EXPECT_TRUE(MatchesMask("*.jpg;;*.gif", "x.gif"));
  EXPECT_FALSE(MatchesMask("", "x.gif"));
  EXPECT_FALSE(MatchesMask(";", "x.gif"));
  EXPECT_TRUE(MatchesMask("*.ｂｍｐ", "絵.ＢＭＰ"));
  EXPECT_TRUE(MatchesMask("壁紙*", "壁紙ｶﾚｲﾄﾞﾝ.bmp"));
  EXPECT_TRUE(MatchesMask("*", "*x"));  // a star is a wildcard even against a star
  // Many stars against a long name that almost matches must not take forever.
  EXPECT_FALSE(MatchesMask("*a*a*a*a*a*a*a*a*a*a*a*b", std::string(200, 'a')));
}

TEST(FileListBox, ListsTheFilesOfEveryPatternAndKindAskedForButNeverFolders) {
  TempDir dir;
  for (const char* name : {"a.BMP", "b.jpg", "c.txt", "hidden.bmp", "ro.jpg", "sys.bmp", "noext"})
    dir.WriteFile(name, "x");
  dir.MakeFolder("folder.bmp");
  SetAttributes(dir, "hidden.bmp", FILE_ATTRIBUTE_HIDDEN);
  SetAttributes(dir, "ro.jpg", FILE_ATTRIBUTE_READONLY);
  SetAttributes(dir, "sys.bmp", FILE_ATTRIBUTE_SYSTEM);
  SetAttributes(dir, "a.BMP", FILE_ATTRIBUTE_NORMAL);

  FileForm f;
  f.files->SetMask("*.bmp;*.JPG");
  f.files->SetFileTypes(kAllFileTypes);
  f.files->SetDirectory(dir.path());
  EXPECT_EQ(f.files->Directory(), Folder(dir.path()));
  EXPECT_EQ(f.files->Items(), (std::vector<std::string>{"a.BMP", "b.jpg", "hidden.bmp", "ro.jpg", "sys.bmp"}));
  EXPECT_EQ(SendMessageW(f.files->Handle(), LB_GETCOUNT, 0, 0), 5);

  // By default only what is neither hidden nor a system file.
  f.files->SetFileTypes(kFileNormal);
  EXPECT_EQ(f.files->Items(), (std::vector<std::string>{"a.BMP", "b.jpg", "ro.jpg"}));
  // Without Normal, only files carrying an attribute asked for.
  f.files->SetFileTypes(kFileReadOnly);
  EXPECT_EQ(f.files->Items(), (std::vector<std::string>{"ro.jpg"}));
  f.files->SetFileTypes(kFileHidden | kFileSystem);
  EXPECT_EQ(f.files->Items(), (std::vector<std::string>{"hidden.bmp", "sys.bmp"}));

  f.files->SetFileTypes(kAllFileTypes);
  f.files->SetMask("*.*");
  EXPECT_EQ(f.files->Count(), 7);
  f.files->SetMask("");
  EXPECT_EQ(f.files->Count(), 0);
}

TEST(FileListBox, JapaneseNamesUnderTheJapaneseCodePageAreListedAndSortedAsTheSystemSorts) {
  ASSERT_EQ(GetACP(), 932u) << "the tests run in the Japanese code page";
  TempDir dir;
  std::vector<std::string> names = {"壁紙ｶﾚｲﾄﾞﾝ.bmp", "Zebra.bmp", "apple.bmp", "Äpfel.bmp", "ｶﾚｲﾄﾞﾝ.bmp",
                                    "カレイドン.bmp", "b10.bmp", "B2.bmp", "正義.BMP", "ﾃｽﾄ 1.bmp"};
  for (const std::string& name : names) dir.WriteFile(name, "x");
  FileForm f;
  f.files->SetMask("*.bmp");
  f.files->SetDirectory(dir.path());
  ASSERT_EQ(f.files->Count(), static_cast<int>(names.size()));
  for (const std::string& name : names) EXPECT_GE(f.files->IndexOf(name), 0) << name;
  for (int i = 1; i < f.files->Count(); ++i)
    EXPECT_LE(CompareTextNoCase(f.files->Item(i - 1), f.files->Item(i)), 0)
        << f.files->Item(i - 1) << " / " << f.files->Item(i);

  f.files->SetItemIndex(f.files->IndexOf("壁紙ｶﾚｲﾄﾞﾝ.bmp"));
  EXPECT_EQ(f.files->FileName(), dir.PathOf("壁紙ｶﾚｲﾄﾞﾝ.bmp"));
  EXPECT_TRUE(FileExists(f.files->FileName()));
}

TEST(FileListBox, AFolderThatCannotBeReadRaisesAndLeavesTheListAsItWas) {
  TempDir dir;
  dir.WriteFile("one.bmp", "x");
  dir.WriteFile("two.bmp", "x");
  FileForm f;
  f.files->SetMask("*.bmp");
  f.files->SetDirectory(dir.path());
  f.files->SetItemIndex(1);
  EXPECT_THROW(f.files->SetDirectory(dir.PathOf("missing")), Exception);
  EXPECT_EQ(f.files->Directory(), Folder(dir.path()));
  EXPECT_EQ(f.files->Count(), 2);
  EXPECT_EQ(f.files->ItemIndex(), 1);

  // A file added or removed shows after Update, which clears the selection.
  dir.WriteFile("three.bmp", "x");
  DeleteFileW(Widen(dir.PathOf("one.bmp")).c_str());
  f.files->Update();
  EXPECT_EQ(f.files->Items(), (std::vector<std::string>{"three.bmp", "two.bmp"}));
  EXPECT_EQ(f.files->ItemIndex(), -1);
  EXPECT_EQ(f.files->FileName(), "");

  // Out-of-range selections select nothing.
  f.files->SetItemIndex(5);
  EXPECT_EQ(f.files->ItemIndex(), -1);
}

TEST(FileListBox, AThousandsOfFilesFolderIsListedCompletelyInOrder) {
  TempDir dir;
  const int n = 3000;
  for (int i = 0; i < n; ++i) dir.WriteFile("pic" + std::to_string(i) + ".jpg", "");
  dir.WriteFile("other.txt", "");
  FileForm f;
  f.files->SetMask("*.jpg");
  f.files->SetDirectory(dir.path());
  ASSERT_EQ(f.files->Count(), n);
  EXPECT_EQ(SendMessageW(f.files->Handle(), LB_GETCOUNT, 0, 0), n);
  EXPECT_EQ(f.files->Item(0), "pic0.jpg");
  for (int i = 1; i < n; ++i) ASSERT_LE(CompareTextNoCase(f.files->Item(i - 1), f.files->Item(i)), 0);
  f.files->SetItemIndex(n - 1);
  EXPECT_EQ(f.files->ItemIndex(), n - 1);
  EXPECT_EQ(SendMessageW(f.files->Handle(), LB_GETCURSEL, 0, 0), n - 1);
}

TEST(DirectoryListBox, ShowsThePathDownToTheFolderThenItsSubfoldersAndTakesTheFileListAlong) {
  TempDir dir;
  dir.MakeFolder("Pics\\Beta");
  dir.MakeFolder("Pics\\alpha");
  dir.MakeFolder("Pics\\Secret");
  dir.WriteFile("Pics\\p.bmp", "x");
  ASSERT_TRUE(SetFileAttributesW(Widen(dir.PathOf("Pics\\Secret")).c_str(), FILE_ATTRIBUTE_HIDDEN));
  FileForm f;
  f.files->SetMask("*.bmp");
  f.folders->SetFileList(f.files);
  int changes = 0;
  f.folders->OnChange = [&] { ++changes; };

  std::string pics = dir.PathOf("Pics");
  f.folders->SetDirectory(pics + "\\");
  EXPECT_EQ(f.folders->Directory(), pics);
  EXPECT_EQ(f.folders->Drive(), pics[0]);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(f.files->Directory(), pics);
  EXPECT_EQ(f.files->Items(), std::vector<std::string>{"p.bmp"});

  // Root, every level down to Pics (selected), then the visible subfolders.
  const auto& lines = f.folders->Items();
  ASSERT_GE(lines.size(), 4u);
  EXPECT_EQ(f.folders->PathOfItem(0), pics.substr(0, 3));
  int current = f.folders->ItemIndex();
  EXPECT_EQ(lines[static_cast<size_t>(current)], "Pics");
  EXPECT_EQ(f.folders->PathOfItem(current), pics);
  EXPECT_EQ(std::vector<std::string>(lines.begin() + current + 1, lines.end()),
            (std::vector<std::string>{"alpha", "Beta"}));
  EXPECT_EQ(f.folders->PathOfItem(current - 1), Folder(dir.path()));

  // The same folder again, however spelt, changes nothing.
  f.folders->SetDirectory(AsciiUpper(pics));
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(f.folders->Directory(), pics);

  // A double click on a subfolder enters it, on an ancestor goes up.
  f.folders->SetItemIndex(current + 2);
  Notify(f.form, *f.folders, LBN_DBLCLK);
  EXPECT_EQ(f.folders->Directory(), pics + "\\Beta");
  EXPECT_EQ(f.files->Directory(), pics + "\\Beta");
  EXPECT_EQ(f.files->Count(), 0);
  EXPECT_EQ(changes, 2);
  f.folders->SetItemIndex(f.folders->ItemIndex() - 1);
  Notify(f.form, *f.folders, LBN_DBLCLK);
  EXPECT_EQ(f.folders->Directory(), pics);
  EXPECT_EQ(changes, 3);

  // Relative paths start from the current folder.
  f.folders->SetDirectory("..\\Pics\\alpha");
  EXPECT_EQ(f.folders->Directory(), pics + "\\alpha");
  f.folders->SetDirectory("..");
  EXPECT_EQ(f.folders->Directory(), pics);
}

TEST(DirectoryListBox, AFolderThatCannotBeEnteredRaisesAndEverythingStaysWhereItWas) {
  TempDir dir;
  dir.MakeFolder("Here");
  dir.WriteFile("Here\\a.bmp", "x");
  dir.MakeFolder("Gone");
  FileForm f;
  f.files->SetMask("*.bmp");
  f.folders->SetFileList(f.files);
  f.folders->SetDirectory(dir.PathOf("Here"));
  int changes = 0;
  f.folders->OnChange = [&] { ++changes; };
  std::vector<std::string> lines = f.folders->Items();

  EXPECT_THROW(f.folders->SetDirectory(dir.PathOf("Missing\\Deeper")), Exception);
  EXPECT_THROW(f.folders->SetDirectory(dir.PathOf("Here\\a.bmp")), Exception);
  EXPECT_THROW(f.folders->SetDirectory(""), Exception);
  EXPECT_EQ(f.folders->Directory(), dir.PathOf("Here"));
  EXPECT_EQ(f.folders->Items(), lines);
  EXPECT_EQ(f.files->Directory(), dir.PathOf("Here"));
  EXPECT_EQ(f.files->Items(), std::vector<std::string>{"a.bmp"});
  EXPECT_EQ(changes, 0);

  // A drive the system does not have.
  char unused = '\0';
  DWORD drives = GetLogicalDrives();
  for (int i = 25; i >= 0 && !unused; --i)
    if (!(drives & (1u << i))) unused = static_cast<char>('A' + i);
  ASSERT_NE(unused, '\0');
  EXPECT_THROW(f.folders->SetDrive(unused), Exception);
  EXPECT_EQ(f.folders->Directory(), dir.PathOf("Here"));

  // A subfolder removed behind the list's back: the double click reports it
  // through the application's error box and the list stays put.
  MessageBoxRecorder boxes;
  f.folders->SetDirectory(dir.path());
  int gone = f.folders->IndexOf("Gone");
  ASSERT_GT(gone, f.folders->ItemIndex());
  ASSERT_TRUE(RemoveDirectoryW(Widen(dir.PathOf("Gone")).c_str()));
  f.folders->SetItemIndex(gone);
  Notify(f.form, *f.folders, LBN_DBLCLK);
  EXPECT_EQ(boxes.Count(), 1u);
  EXPECT_EQ(f.folders->Directory(), Folder(dir.path()));
  EXPECT_EQ(f.folders->PathOfItem(f.folders->ItemIndex()), Folder(dir.path()));
}

TEST(DirectoryListBox, DriveChangesGoToTheFolderLastUsedOnThatDrive) {
  TempDir dir;
  dir.MakeFolder("Deep\\Er");
  FileForm f;
  std::string start = dir.PathOf("Deep\\Er");
  f.folders->SetDirectory(start);
  char home = f.folders->Drive();
  ASSERT_NE(home, 'Z');
  ASSERT_TRUE(DirectoryExists("Z:\\"));
  int changes = 0;
  f.folders->OnChange = [&] { ++changes; };
  f.folders->SetDrive('z');
  EXPECT_EQ(f.folders->Directory(), "Z:\\");
  EXPECT_EQ(f.folders->Drive(), 'Z');
  EXPECT_EQ(f.folders->ItemIndex(), 0);
  f.folders->SetDrive(home);
  EXPECT_EQ(f.folders->Directory(), start);
  f.folders->SetDrive(home);
  EXPECT_EQ(changes, 2);
}

TEST(DriveComboBox, ListsTheDrivesAndSignalsOnlyRealChanges) {
  FileForm f;
  std::string program = ProgramFolder();
  EXPECT_EQ(f.drives->Drive(), static_cast<char>(std::toupper(static_cast<unsigned char>(program[0]))));
  std::vector<std::string> items = f.drives->Items();
  DWORD mask = GetLogicalDrives();
  int expected = 0;
  for (int i = 0; i < 26; ++i) expected += (mask >> i) & 1;
  EXPECT_EQ(static_cast<int>(items.size()), expected);
  bool hasZ = false;
  for (const std::string& item : items) hasZ = hasZ || item.rfind("z:", 0) == 0;
  EXPECT_TRUE(hasZ);

  // Wine's C: and Z: (the program runs from one of them).
  char home = f.drives->Drive(), other = home == 'Z' ? 'C' : 'Z';
  int changes = 0;
  f.drives->OnChange = [&] { ++changes; };
  f.drives->SetDrive(static_cast<char>(std::tolower(other)));
  EXPECT_EQ(f.drives->Drive(), other);
  EXPECT_EQ(f.drives->Text()[0], std::tolower(other));
  f.drives->SetDrive(other);
  EXPECT_EQ(changes, 1);

  // The user picks a drive.
  int back = -1;
  for (size_t i = 0; i < items.size(); ++i)
    if (items[i][0] == std::tolower(home)) back = static_cast<int>(i);
  ASSERT_GE(back, 0);
  SendMessageW(f.drives->Handle(), CB_SETCURSEL, static_cast<WPARAM>(back), 0);
  Notify(f.form, *f.drives, CBN_SELCHANGE);
  EXPECT_EQ(f.drives->Drive(), home);
  EXPECT_EQ(changes, 2);
  Notify(f.form, *f.drives, CBN_SELCHANGE);
  EXPECT_EQ(changes, 2);

  // Each line names its drive and, once the list has dropped down, a fixed
  // drive's label.
  Notify(f.form, *f.drives, CBN_DROPDOWN);
  items = f.drives->Items();
  for (const std::string& item : items) {
    const std::wstring root{static_cast<wchar_t>(std::toupper(static_cast<unsigned char>(item[0]))), L':', L'\\'};
    wchar_t label[MAX_PATH + 1] = {};
    const UINT type = GetDriveTypeW(root.c_str());
    std::string expected = item.substr(0, 2);
    if ((type == DRIVE_FIXED || type == DRIVE_RAMDISK) &&
        GetVolumeInformationW(root.c_str(), label, MAX_PATH + 1, nullptr, nullptr, nullptr, nullptr, 0) && label[0])
      expected += " [" + Narrow(label) + "]";
    EXPECT_EQ(item, expected);
  }
  EXPECT_EQ(f.drives->Drive(), home);

  char unused = '\0';
  for (int i = 25; i >= 0 && !unused; --i)
    if (!(mask & (1u << i))) unused = static_cast<char>('A' + i);
  EXPECT_THROW(f.drives->SetDrive(unused), Exception);
  EXPECT_EQ(f.drives->Drive(), home);
  f.drives->Refresh();
  EXPECT_EQ(f.drives->Drive(), home);
  EXPECT_EQ(changes, 2);
}

TEST(FilterComboBox, BuildsEntriesFromTheFilterTextAndFeedsTheFileListItsMask) {
  TempDir dir;
  for (const char* name : {"a.bmp", "b.jpg", "c.jpeg", "d.pic"}) dir.WriteFile(name, "x");
  FileForm f;
  // As created: one entry for every file, none chosen.
  EXPECT_EQ(f.filter->Items(), std::vector<std::string>{"すべてのﾌｧｲﾙ (*.*)"});
  EXPECT_EQ(f.filter->ItemIndex(), -1);

  f.files->SetMask("*.bmp");
  f.files->SetDirectory(dir.path());
  f.filter->SetFileList(f.files);
  int changes = 0;
  f.filter->OnChange = [&] { ++changes; };
  const std::string text =
      "すべて (*.jpg;*.jpeg;*.bmp)|*.jpg;*.jpeg;*.bmp|JPEG Image File (*.jpg)|*.jpg|ﾋﾞｯﾄﾏｯﾌﾟ (*.bmp)|*.bmp|"
      "カスタムフィルタ|*.PIC;*.MAG";
  f.filter->SetFilter(text);
  EXPECT_EQ(f.filter->Filter(), text);
  EXPECT_EQ(f.filter->Items(), (std::vector<std::string>{"すべて (*.jpg;*.jpeg;*.bmp)", "JPEG Image File (*.jpg)",
                                                         "ﾋﾞｯﾄﾏｯﾌﾟ (*.bmp)", "カスタムフィルタ"}));
  EXPECT_EQ(f.filter->Masks().back(), "*.PIC;*.MAG");
  EXPECT_EQ(f.filter->ItemIndex(), 0);
  EXPECT_EQ(f.files->Mask(), "*.jpg;*.jpeg;*.bmp");
  EXPECT_EQ(f.files->Items(), (std::vector<std::string>{"a.bmp", "b.jpg", "c.jpeg"}));
  EXPECT_EQ(changes, 1);
  f.filter->SetFilter(text);
  EXPECT_EQ(changes, 1);

  // The user picks the last entry.
  SendMessageW(f.filter->Handle(), CB_SETCURSEL, 3, 0);
  Notify(f.form, *f.filter, CBN_SELCHANGE);
  EXPECT_EQ(f.files->Mask(), "*.PIC;*.MAG");
  EXPECT_EQ(f.files->Items(), std::vector<std::string>{"d.pic"});
  EXPECT_EQ(changes, 2);

  // An index beyond the last entry chooses nothing; asking for the mask
  // then chooses the last entry.
  f.filter->SetItemIndex(7);
  EXPECT_EQ(f.filter->ItemIndex(), -1);
  EXPECT_EQ(f.filter->Mask(), "*.PIC;*.MAG");
  EXPECT_EQ(f.filter->ItemIndex(), 3);
  EXPECT_EQ(changes, 2);
}

TEST(FilterComboBox, ParsesEmptyMasksAndDropsADescriptionWithoutOne) {
  FileForm f;
  f.filter->SetFilter("A (*.a)|*.a|カスタムフィルタ|");
  EXPECT_EQ(f.filter->Masks(), (std::vector<std::string>{"*.a", ""}));
  f.filter->SetFilter("A|*.a|B|*.b|dangling");
  EXPECT_EQ(f.filter->Items(), (std::vector<std::string>{"A", "B"}));
  f.filter->SetFilter("");
  EXPECT_EQ(f.filter->Count(), 0);
  EXPECT_EQ(f.filter->ItemIndex(), -1);
  EXPECT_EQ(f.filter->Mask(), "*.*");
}

// Its window is made when the mouse first comes over the box.
TEST(FilterComboBox, CarriesAToolTipWithItsHint) {
  FileForm f;
  const auto tips = [&f] {
    int n = 0;
    for (HWND w = FindWindowExW(nullptr, nullptr, TOOLTIPS_CLASSW, nullptr); w;
         w = FindWindowExW(nullptr, w, TOOLTIPS_CLASSW, nullptr))
      n += GetWindow(w, GW_OWNER) == f.form.Handle();
    return n;
  };
  EXPECT_EQ(tips(), 0);
  SendMessageW(f.filter->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
  EXPECT_EQ(tips(), 1);
  HWND tip = f.filter->ToolTipHandle();
  ASSERT_TRUE(IsWindow(tip));
  EXPECT_EQ(SendMessageW(tip, TTM_GETTOOLCOUNT, 0, 0), 1);
  f.filter->SetShowHint(true);
  f.filter->SetHint("*.jpg;*.jpeg;*.bmp");
  EXPECT_EQ(f.filter->Hint(), "*.jpg;*.jpeg;*.bmp");
  wchar_t buffer[256] = {};
  TOOLINFOW tool{};
  tool.cbSize = TTTOOLINFOW_V2_SIZE;
  tool.hwnd = f.form.Handle();
  tool.uId = reinterpret_cast<UINT_PTR>(f.filter->Handle());
  tool.lpszText = buffer;
  SendMessageW(tip, TTM_GETTEXTW, 256, reinterpret_cast<LPARAM>(&tool));
  EXPECT_EQ(Narrow(buffer), "*.jpg;*.jpeg;*.bmp");
}

namespace {

// Whether any pixel of area (client coordinates) of the window, as it is
// on screen, is neither the list's background nor its highlight.
bool ShowsIcon(HWND window, RECT area) {
  const int width = area.right - area.left, height = area.bottom - area.top;
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HDC screen = GetDC(window);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
  bool found = false;
  const auto* pixels = static_cast<const DWORD*>(bits);
  for (int i = 0; i < width * height && !found; ++i) {
    const DWORD p = pixels[i] & 0xFFFFFF;
    const COLORREF c = RGB(GetBValue(p), GetGValue(p), GetRValue(p));
    found = c != GetSysColor(COLOR_WINDOW) && c != GetSysColor(COLOR_HIGHLIGHT);
  }
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(window, screen);
  return found;
}

}  // namespace

// The shell's icons looked up on their own thread once the window has
// painted: the lines are drawn with them once they are there.
TEST(FileControls, IconsLookedUpAfterTheFirstPaintingArriveAndTheLinesAreDrawnWithThem) {
  TempDir dir;
  dir.MakeFolder("Pics\\Sub");
  dir.WriteFile("Pics\\a.bmp", "x");
  FileForm f;
  f.files->SetShowIcons(true);
  f.files->SetMask("*.bmp");
  f.folders->SetFileList(f.files);
  f.folders->SetDirectory(dir.PathOf("Pics"));
  // As the program starts: the window paints, then the look-ups begin.
  shellicons::ExpectLookUpAhead();
  ShowWindow(f.form.Handle(), SW_SHOWNOACTIVATE);
  UpdateWindow(f.form.Handle());
  EXPECT_FALSE(ShowsIcon(f.files->Handle(), RECT{2, 0, 18, f.files->ItemHeight()}));
  shellicons::LookUpAhead();
  for (int waited = 0; waited < 10000 && shellicons::LookingUp(); waited += 10) Sleep(10);
  EXPECT_FALSE(shellicons::LookingUp());
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);

  // The icon lies left of the text of each line: the root of the folder
  // list, the file, and the drive in the drive box.
  const int line = f.folders->ItemHeight();
  EXPECT_TRUE(ShowsIcon(f.folders->Handle(), RECT{2, 0, 18, line}));
  EXPECT_TRUE(ShowsIcon(f.files->Handle(), RECT{2, 0, 18, line}));
  RECT face;
  GetClientRect(f.drives->Handle(), &face);
  EXPECT_TRUE(ShowsIcon(f.drives->Handle(), RECT{4, 4, 20, face.bottom - 4}));
}
