// The one change of the command line, as a scheduled task would run it.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include "framework/base/paths.h"
#include "framework/base/text.h"
#include "framework/imaging/bitmap.h"
#include "framework/imaging/bmpcodec.h"
#include "support/program.h"

namespace {

std::string RegistryWallpaper() {
  wchar_t value[1024] = L"";
  DWORD size = sizeof value;
  if (RegGetValueW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"WallPaper", RRF_RT_REG_SZ, nullptr, value,
                   &size) != ERROR_SUCCESS)
    return {};
  return framework::Narrow(value);
}

std::string Picture(int width, int height) {
  framework::Bitmap b(width, height, 24);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) b.SetPixelColor(x, y, framework::Rgb{uint8_t(x), uint8_t(y), 200});
  return b.SaveToBytes();
}

}  // namespace

TEST(CommandLineChange, StoresANewWallpaperAndEndsWithoutTouchingTheSettings) {
  InstalledProgram program;
  TempDir pictures;
  pictures.WriteFile("wide.bmp", Picture(64, 16));
  pictures.WriteFile("tall.bmp", Picture(16, 64));
  // A threshold of 100 % lets the load gate pass at once on a busy machine.
  program.WriteSettings("Path=" + framework::EncodeStoredText(pictures.path()) + "\r\nCPUUseRate=100\r\n");
  std::string settings = program.ReadFile("Kaleidon.ini");

  ProgramProcess p = ProgramProcess::Start(program.Exe(), "/E");
  EXPECT_EQ(p.WaitForExit(60000), std::optional<DWORD>(0));

  EXPECT_EQ(program.ReadFile("Kaleidon.ini"), settings);
  framework::Bitmap wallpaper;
  ASSERT_NO_THROW(wallpaper.LoadFromBytes(program.ReadFile("WPFile.BMP")));
  std::string history = pictures.ReadFile("_Buf.RFB");
  ASSERT_TRUE(history == "wide.bmp\r\n" || history == "tall.bmp\r\n") << history;
  EXPECT_EQ(wallpaper.Width(), history == "wide.bmp\r\n" ? 64 : 16);
  EXPECT_EQ(RegistryWallpaper(), program.PathOf("WPFile.BMP"));
}

TEST(CommandLineChange, KeysAnotherProgramHoldsNeitherStopNorTroubleTheRun) {
  InstalledProgram program;
  TempDir pictures;
  pictures.WriteFile("one.bmp", Picture(8, 8));
  const WORD ctrlAltN = MAKEWORD('N', HOTKEYF_CONTROL | HOTKEYF_ALT);
  program.WriteSettings("Path=" + framework::EncodeStoredText(pictures.path()) +
                        "\r\nCPUUseRate=100\r\nHotKeyNext=" + std::to_string(ctrlAltN) + "\r\n");
  HWND holder = CreateWindowExW(0, L"STATIC", L"holder", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  ASSERT_TRUE(RegisterHotKey(holder, 1, MOD_CONTROL | MOD_ALT, 'N'));

  ProgramProcess p = ProgramProcess::Start(program.Exe(), "/E");
  std::optional<DWORD> exit;
  HWND box = nullptr;
  for (int i = 0; i < 600 && !exit && !box; ++i) {
    exit = p.WaitForExit(100);
    if (!exit) box = WaitForWindow(L"#32770", "", p.Id(), 0);
  }
  EXPECT_EQ(box, nullptr) << MessageBoxText(box);
  EXPECT_EQ(exit, std::optional<DWORD>(0));
  EXPECT_TRUE(program.Exists("WPFile.BMP"));
  UnregisterHotKey(holder, 1);
  DestroyWindow(holder);
}

TEST(CommandLineChange, AnEmptyFolderStillEndsTheRunAfterItsMessage) {
  InstalledProgram program;
  TempDir empty;
  program.WriteSettings("Path=" + framework::EncodeStoredText(empty.path()) + "\r\nCPUUseRate=100\r\n");
  ProgramProcess p = ProgramProcess::Start(program.Exe(), "/e");
  HWND box = WaitForWindow(L"#32770", "悪のエラー", p.Id(), 30000);
  ASSERT_NE(box, nullptr);
  PostMessageW(box, WM_COMMAND, IDOK, 0);
  EXPECT_EQ(p.WaitForExit(30000), std::optional<DWORD>(0));
  EXPECT_FALSE(program.Exists("WPFile.BMP"));
}

TEST(CommandLineChange, ALoneCopyGoesBackAndLeavesAPictureOutItselfAndEnds) {
  InstalledProgram program;
  TempDir pictures;
  pictures.WriteFile("wide.bmp", Picture(64, 16));
  pictures.WriteFile("tall.bmp", Picture(16, 64));
  program.WriteSettings("Path=" + framework::EncodeStoredText(pictures.path()) + "\r\nCPUUseRate=100\r\n");
  auto run = [&program](const std::string& command) {
    ProgramProcess p = ProgramProcess::Start(program.Exe(), command);
    return p.WaitForExit(60000);
  };
  auto shownWidth = [&program] {
    framework::Bitmap wallpaper;
    wallpaper.LoadFromBytes(program.ReadFile("WPFile.BMP"));
    return wallpaper.Width();
  };
  ASSERT_EQ(run("/E"), std::optional<DWORD>(0));
  const int firstWidth = shownWidth();
  ASSERT_EQ(run("/E"), std::optional<DWORD>(0));
  ASSERT_NE(shownWidth(), firstWidth);
  EXPECT_EQ(run("/B"), std::optional<DWORD>(0));
  EXPECT_EQ(shownWidth(), firstWidth);
  // The picture of the primary monitor: the one shown after going back.
  EXPECT_EQ(run("/X1"), std::optional<DWORD>(0));
  EXPECT_EQ(pictures.ReadFile("_Never.RFB"), firstWidth == 64 ? "wide.bmp\r\n" : "tall.bmp\r\n");
  EXPECT_EQ(run("/X5"), std::optional<DWORD>(4));  // one monitor only
}

TEST(CommandLineChange, AReadOnlySettingsFileWithSeveralSlotsStillChangesTheWallpaperAndSaysSoOnce) {
  InstalledProgram program;
  TempDir first, second;
  first.WriteFile("a.bmp", Picture(8, 4));
  second.WriteFile("b.bmp", Picture(4, 8));
  program.WriteSettings("Path=" + framework::EncodeStoredText(first.path()) +
                        "\r\nCPUUseRate=100\r\nMemoryCount=2\r\n[DirectoryBuf]\r\nPathMemory1=" +
                        framework::EncodeStoredText(first.path()) +
                        "\r\nPathMemory2=" + framework::EncodeStoredText(second.path()) + "\r\n");
  const std::string settings = program.ReadFile("Kaleidon.ini");
  program.SetReadOnly("Kaleidon.ini", true);
  ProgramProcess p = ProgramProcess::Start(program.Exe(), "/E");
  HWND box = WaitForWindow(L"#32770", "悪のエラー", p.Id(), 60000);
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(MessageBoxText(box), program.PathOf("Kaleidon.ini") + " に書き込めません");
  PostMessageW(box, WM_COMMAND, IDOK, 0);
  EXPECT_EQ(p.WaitForExit(30000), std::optional<DWORD>(0));
  program.SetReadOnly("Kaleidon.ini", false);
  EXPECT_EQ(program.ReadFile("Kaleidon.ini"), settings);
  framework::Bitmap wallpaper;
  EXPECT_NO_THROW(wallpaper.LoadFromBytes(program.ReadFile("WPFile.BMP")));
}

// The largest bitmap the program takes, 16384 x 8192 at 32 bits (512 MiB
// of pixels): the 32-bit program needs the address space above 2 GB for it.
// Its top half is red, its bottom half blue, stretched over the screen.
TEST(CommandLineChange, TheLargestBitmapThatFitsTheLimitsBecomesTheWallpaper) {
  constexpr int kWidth = 16384, kHeight = 8192;
  InstalledProgram program;
  TempDir pictures;
  {
    // Written row by row: the test holds no copy of it.
    HANDLE file = CreateFileW(framework::Widen(pictures.PathOf("huge.bmp")).c_str(), GENERIC_WRITE, 0, nullptr,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    const std::string headers = framework::EncodeBmpHeaders(kWidth, kHeight, 32);
    bool ok = WriteFile(file, headers.data(), static_cast<DWORD>(headers.size()), &written, nullptr);
    std::string row(4 * size_t{kWidth}, '\0');
    for (int y = 0; y < kHeight && ok; ++y) {  // bottom row first
      const char blue = y < kHeight / 2 ? '\xFF' : 0, red = y < kHeight / 2 ? 0 : '\xFF';
      for (size_t x = 0; x < row.size(); x += 4) row[x] = blue, row[x + 2] = red;
      ok = WriteFile(file, row.data(), static_cast<DWORD>(row.size()), &written, nullptr);
    }
    CloseHandle(file);
    ASSERT_TRUE(ok);
  }
  program.WriteSettings("Path=" + framework::EncodeStoredText(pictures.path()) +
                        "\r\nCPUUseRate=100\r\nScreenSize=1\r\n");
  ProgramProcess p = ProgramProcess::Start(program.Exe(), "/E");
  const std::optional<DWORD> end = p.WaitForExit(50000);
  if (!end) {
    HWND box = WaitForWindow(L"#32770", "", p.Id(), 0);
    FAIL() << "still running" << (box ? ", showing: " + MessageBoxText(box) : std::string());
  }
  EXPECT_EQ(end, std::optional<DWORD>(0));
  framework::Bitmap wallpaper;
  ASSERT_NO_THROW(wallpaper.LoadFromBytes(program.ReadFile("WPFile.BMP")));
  EXPECT_EQ(wallpaper.Width(), GetSystemMetrics(SM_CXSCREEN));
  EXPECT_EQ(wallpaper.PixelColor(10, 10), (framework::Rgb{255, 0, 0}));
  EXPECT_EQ(wallpaper.PixelColor(10, wallpaper.Height() - 10), (framework::Rgb{0, 0, 255}));
}

TEST(StartUpChange, ChangesTheWallpaperWhileTheProgramStarts) {
  InstalledProgram program;
  TempDir pictures;
  pictures.WriteFile("only.bmp", Picture(8, 8));
  program.WriteSettings("Path=" + framework::EncodeStoredText(pictures.path()) +
                        "\r\nStartUpChange=1\r\nDlay=1\r\nCPUUseRate=100\r\n");
  ProgramProcess p = ProgramProcess::Start(program.Exe());
  HWND main = WaitForWindow(L"TMyMainForm", "Kaleidon v0.6.1", p.Id(), 30000);
  ASSERT_NE(main, nullptr);
  for (int i = 0; i < 300 && !IsWindowVisible(main); ++i) Sleep(50);
  EXPECT_TRUE(program.Exists("WPFile.BMP"));
  EXPECT_EQ(pictures.ReadFile("_Buf.RFB"), "only.bmp\r\n");
  PostMessageW(main, WM_CLOSE, 0, 0);
  EXPECT_EQ(p.WaitForExit(30000), std::optional<DWORD>(0));
}

// The archive library is found beside the program, never in the folder the
// program happens to be started from.
TEST(CommandLineChange, ArchiveLibraryComesFromTheProgramFolderNotTheWorkingFolder) {
  TempDir pictures, working;
  std::string archive = BuildOutputPath("fixtures/archives/level1.lzh");
  ASSERT_TRUE(CopyFileW(framework::Widen(archive).c_str(), framework::Widen(pictures.PathOf("set.lzh")).c_str(), FALSE));
  std::string dll = BuildOutputPath("fixtures/unlha32/UNLHA32.DLL");
  std::string settings = "Path=" + framework::EncodeStoredText(pictures.path()) +
                         "\r\nCPUUseRate=100\r\nCustomMask=*.lzh;*.bmp\r\nFilter=99\r\n";

  InstalledProgram planted;
  planted.WriteSettings(settings);
  ASSERT_TRUE(CopyFileW(framework::Widen(dll).c_str(), framework::Widen(working.PathOf("UNLHA32.DLL")).c_str(), FALSE));
  ProgramProcess p = ProgramProcess::Start(planted.Exe(), "/E", working.path());
  HWND panic = WaitForWindow(L"#32770", "PANIC!!", p.Id(), 30000);
  ASSERT_NE(panic, nullptr) << "the planted library was used";
  EXPECT_EQ(MessageBoxText(panic), "UnlhaOpenArchive: LHA.DLL not loaded.");
  PostMessageW(panic, WM_COMMAND, IDOK, 0);
  EXPECT_EQ(p.WaitForExit(30000), std::optional<DWORD>(0));
  EXPECT_FALSE(planted.Exists("WPFile.BMP"));

  InstalledProgram beside;
  beside.WriteSettings(settings);
  ASSERT_TRUE(CopyFileW(framework::Widen(dll).c_str(), framework::Widen(beside.PathOf("UNLHA32.DLL")).c_str(), FALSE));
  ProgramProcess q = ProgramProcess::Start(beside.Exe(), "/E", working.path());
  EXPECT_EQ(q.WaitForExit(60000), std::optional<DWORD>(0));
  EXPECT_TRUE(beside.Exists("WPFile.BMP"));
  EXPECT_TRUE(beside.FileNames("Temp\\").empty());
}

// Pictures that only an image plug-in beside the program reads become the
// wallpaper like any other: the test plug-in's PPM, and PNG through the
// plug-in the program ships.
TEST(CommandLineChange, PicturesThatAPluginBesideTheProgramReadsBecomeTheWallpaper) {
  std::string ppm = "P6\n5 3\n255\n" + std::string(5 * 3 * 3, '\x80');
  std::string png = PictureFixture("wic-alpha.png");
  ASSERT_GT(png.size(), 24u);
  auto bigEndian = [&](size_t at) {
    return int((uint8_t(png[at]) << 24) | (uint8_t(png[at + 1]) << 16) | (uint8_t(png[at + 2]) << 8) |
               uint8_t(png[at + 3]));
  };
  struct Case {
    const char* plugin;
    const char* picture;
    std::string bytes;
    int width, height;
  } cases[] = {
      {"fixtures/spi/ppm.spi", "only.ppm", ppm, 5, 3},
      {"kaleidon-wic.spi", "only.png", png, bigEndian(16), bigEndian(20)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.picture);
    InstalledProgram program;
    TempDir pictures;
    pictures.WriteFile(c.picture, c.bytes);
    std::string plugin = BuildOutputPath(c.plugin);
    ASSERT_TRUE(CopyFileW(framework::Widen(plugin).c_str(),
                          framework::Widen(program.PathOf(framework::ExtractFileName(plugin))).c_str(), FALSE));
    program.WriteSettings("Path=" + framework::EncodeStoredText(pictures.path()) + "\r\nCPUUseRate=100\r\n");

    ProgramProcess p = ProgramProcess::Start(program.Exe(), "/E");
    EXPECT_EQ(p.WaitForExit(60000), std::optional<DWORD>(0));
    framework::Bitmap wallpaper;
    ASSERT_NO_THROW(wallpaper.LoadFromBytes(program.ReadFile("WPFile.BMP")));
    EXPECT_EQ(wallpaper.Width(), c.width);
    EXPECT_EQ(wallpaper.Height(), c.height);
    EXPECT_EQ(pictures.ReadFile("_Buf.RFB"), std::string(c.picture) + "\r\n");
  }
}
