// The program's icon: a picture of its own for every size Windows shows it
// in (16 to 64 pixels from 100 % to 200 %, 256 for large views), and the
// windows and the tray take the size the system uses: nothing is scaled.
#include <gtest/gtest.h>

#include <set>

#include "support/measure.h"
#include "support/programwindows.h"
#include "support/mainwindow.h"
#include "tray/trayicon.h"

namespace {

#pragma pack(push, 2)
struct IconGroupEntry {
  BYTE width, height, colors, reserved;
  WORD planes, bitCount;
  DWORD bytes;
  WORD id;
};
#pragma pack(pop)

}  // namespace

TEST(ProgramIcon, HoldsAFullColourPictureOfItsOwnForEverySizeWindowsAsksFor) {
  // The test program carries the program's resources.
  HMODULE module = GetModuleHandleW(nullptr);
  HRSRC group = FindResourceW(module, L"MAINICON", MAKEINTRESOURCEW(14) /* RT_GROUP_ICON */);
  ASSERT_NE(group, nullptr);
  const auto* header = static_cast<const WORD*>(LockResource(LoadResource(module, group)));
  ASSERT_NE(header, nullptr);
  const auto* entries = reinterpret_cast<const IconGroupEntry*>(header + 3);
  std::set<int> sizes;
  for (int i = 0; i < header[2]; ++i) {
    int width = entries[i].width ? entries[i].width : 256;
    int height = entries[i].height ? entries[i].height : 256;
    EXPECT_EQ(width, height);
    EXPECT_EQ(entries[i].bitCount, 32) << width;
    sizes.insert(width);
  }
  for (int size : {16, 20, 24, 32, 40, 48, 64, 256}) EXPECT_TRUE(sizes.count(size)) << size;
}

TEST(ProgramIcon, TheWindowsAndTheTrayTakeTheSizeTheSystemUses) {
  ProgramWindows w;
  int small = GetSystemMetrics(SM_CXSMICON), big = GetSystemMetrics(SM_CXICON);
  EXPECT_EQ(IconWidth(Widgets(*w.main).TrayIcon1->Icon()), small);
  EXPECT_EQ(IconWidth(reinterpret_cast<HICON>(GetClassLongPtrW(w.main->Handle(), GCLP_HICONSM))), small);
  EXPECT_EQ(IconWidth(reinterpret_cast<HICON>(GetClassLongPtrW(w.main->Handle(), GCLP_HICON))), big);
  EXPECT_EQ(IconWidth(reinterpret_cast<HICON>(GetClassLongPtrW(w.options->Handle(), GCLP_HICONSM))), small);
}
