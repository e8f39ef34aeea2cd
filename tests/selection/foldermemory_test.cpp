#include "selection/foldermemory.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

#include "core/settings.h"
#include "framework/base/paths.h"
#include "framework/base/random.h"
#include "framework/base/text.h"
#include "framework/gui/application.h"
#include "selection/rotation.h"
#include "support/messageboxes.h"
#include "support/tempdir.h"
#include "ui/settingsfile.h"

using namespace kaleidon;

namespace {

class Grid : public SlotTable {
 public:
  std::string Cell(int column, int row) const override {
    auto it = cells_.find({column, row});
    return it == cells_.end() ? std::string() : it->second;
  }
  void SetCell(int column, int row, const std::string& text) override { cells_[{column, row}] = text; }

 private:
  std::map<std::pair<int, int>, std::string> cells_;
};

// The main window's controls as they behave: the slot box clamps to its
// bounds and runs the slot-change handling when its value changes; the
// folder tree refuses a folder that does not exist.
class MainWindow : public FolderMemoryControls {
 public:
  int slot = 1, maxSlot = 1, driveSyncs = 0, repaints = 0;
  bool enabled = true;
  std::string listed, current, label;
  std::function<void()> onSlotChange;

  int CurrentSlot() const override { return slot; }
  void SetCurrentSlot(int value) override {
    value = std::clamp(value, 1, std::max(1, maxSlot));
    if (value == slot) return;
    slot = value;
    if (onSlotChange) onSlotChange();
  }
  bool SlotBoxEnabled() const override { return enabled; }
  std::string ListedFolder() const override { return listed; }
  std::string CurrentFolder() const override { return current; }
  bool ChangeFolder(const std::string& folder) override {
    if (!framework::DirectoryExists(folder)) return false;
    current = listed = folder;
    return true;
  }
  void SyncDriveBox() override { ++driveSyncs; }
  void ShowSlotFolder(const std::string& folder) override { label = folder; }
  void Repaint() override { ++repaints; }
};

class FolderMemoryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    framework::OverrideProgramFolder(program.path());
    window.onSlotChange = [this] { ChangeFolderSlot(memory); };
    SetSlotCount(3);
  }
  void TearDown() override {
    framework::OverrideProgramFolder("");
  }
  void SetSlotCount(int count) {
    memory.slotCount = window.maxSlot = count;
    window.enabled = count >= 1;
  }
  std::string Folder(const std::string& name) {
    pictures.MakeFolder(name);
    return pictures.PathOf(name + "\\");
  }
  static std::string Stored(const char* section, const std::string& key) {
    return OpenSettings().ReadString(section, key, "<none>");
  }

  TempDir program, pictures;
  Grid grid;
  MainWindow window;
  MessageBoxRecorder boxes;
  // The settings file of the program folder the test sets up.
  FolderMemory memory{grid, window, 3, framework::IniFile(program.PathOf("Kaleidon.ini")), boxes};
};

}  // namespace

TEST_F(FolderMemoryTest, RememberFillsSlotsAndRefusesExactDuplicates) {
  {
    framework::IniEdit settings(OpenSettings());
    RegisterFolderSlot(grid, settings, "C:\\Pics", 7);
    settings.Commit();
  }
  EXPECT_EQ(grid.Cell(1, 7), "C:\\Pics\\");
  EXPECT_EQ(grid.Cell(0, 7), "Memory[7]");
  EXPECT_EQ(Stored(kDirectoryBuf, "PathMemory7"), "C:\\Pics\\");

  std::string a = Folder("a"), b = Folder("b"), c = Folder("c");
  window.listed = a.substr(0, a.size() - 1);  // the list's folder has no trailing '\'
  RememberFolder(memory);
  EXPECT_EQ(grid.Cell(1, 1), a);
  EXPECT_EQ(grid.Cell(0, 1), "Memory[1]");
  EXPECT_EQ(Stored(kDirectoryBuf, "PathMemory1"), a);
  EXPECT_EQ(window.slot, 2);
  EXPECT_EQ(window.label, "");  // slot 2 is still empty

  window.listed = a;  // already in slot 1
  RememberFolder(memory);
  ASSERT_EQ(boxes.Count(), 1u);
  EXPECT_EQ(boxes.Calls()[0].caption, "暗黒のエラー");
  EXPECT_EQ(boxes.Calls()[0].text, "ぐぁぁぁ！既に同名フォルダが登録されているぞ");
  EXPECT_EQ(boxes.Calls()[0].flags & MB_ICONMASK, static_cast<unsigned>(MB_ICONWARNING));
  EXPECT_EQ(window.slot, 2);
  EXPECT_EQ(Stored(kDirectoryBuf, "PathMemory2"), "<none>");

  window.listed = framework::AsciiUpper(a);  // the test minds case
  RememberFolder(memory);
  EXPECT_EQ(grid.Cell(1, 2), framework::AsciiUpper(a));
  EXPECT_EQ(window.slot, 3);

  // The last slot stays current, and the next remember overwrites it.
  window.listed = b;
  RememberFolder(memory);
  window.listed = c;
  RememberFolder(memory);
  EXPECT_EQ(window.slot, 3);
  EXPECT_EQ(grid.Cell(1, 3), c);
  EXPECT_EQ(Stored(kDirectoryBuf, "PathMemory3"), c);
  EXPECT_EQ(window.label, c);
  EXPECT_EQ(boxes.Count(), 1u);
}

TEST_F(FolderMemoryTest, SlotChangeClampsAndShowsTheSlotFolder) {
  grid.SetCell(1, 1, "C:\\one\\");
  grid.SetCell(1, 2, "C:\\two\\");
  window.maxSlot = 10;  // the box still allows more after the count was lowered
  window.slot = 7;
  memory.slotCount = 2;
  ChangeFolderSlot(memory);
  EXPECT_EQ(window.slot, 2);
  EXPECT_EQ(window.label, "C:\\two\\");
  window.slot = 0;
  ChangeFolderSlot(memory);
  EXPECT_EQ(window.slot, 1);
  EXPECT_EQ(window.label, "C:\\one\\");

  window.label = "unchanged";
  SetSlotCount(0);
  ChangeFolderSlot(memory);
  LoadFolderList(memory);
  EXPECT_EQ(window.label, "unchanged");
}

TEST_F(FolderMemoryTest, RecallMovesToTheSlotFolderOrRepairsAMissingOne) {
  std::string a = Folder("a"), b = Folder("b");
  window.current = a;
  grid.SetCell(1, 1, b);
  grid.SetCell(1, 3, framework::AsciiUpper(a));
  window.slot = 2;  // empty: only the drive box is set again
  RecallFolder(memory);
  window.slot = 3;  // the current folder in other letters: nothing to do
  RecallFolder(memory);
  EXPECT_EQ(window.current, a);
  EXPECT_EQ(window.driveSyncs, 2);
  window.slot = 1;
  RecallFolder(memory);
  EXPECT_EQ(window.current, b);
  EXPECT_TRUE(boxes.Calls().empty());

  // Slot 3's folder is gone: the program folder takes its place everywhere,
  // and the table is read again from the settings file.
  grid.SetCell(1, 3, pictures.PathOf("gone\\"));
  OpenSettings().WriteString(kDirectoryBuf, "PathMemory1", "C:\\one\\");
  window.slot = 3;
  RecallFolder(memory);
  ASSERT_EQ(boxes.Count(), 1u);
  EXPECT_EQ(boxes.Calls()[0].caption, "暗黒のエラー");
  EXPECT_EQ(boxes.Calls()[0].text,
            "むはっ！前まであった正義のフォルダが見つからない！\r前回選択されていた正義のフォルダは暗黒の削除をされたか、"
            "正義の移動された可能性があるな････\rカレイドンが正義のインストールをされている正義のフォルダに正義の頭突きで"
            "設定を変更だ！");
  EXPECT_EQ(boxes.Calls()[0].flags & MB_ICONMASK, static_cast<unsigned>(MB_ICONQUESTION));
  EXPECT_EQ(window.repaints, 1);
  EXPECT_EQ(window.current, program.path());
  EXPECT_EQ(Stored(kDirectoryBuf, "PathMemory3"), program.path());
  EXPECT_EQ(grid.Cell(1, 3), program.path());
  EXPECT_EQ(grid.Cell(1, 1), "C:\\one\\");
  EXPECT_EQ(grid.Cell(1, 2), "");
  EXPECT_EQ(window.label, program.path());
}

// Rotation -----------------------------------------------------------------

class RotationTest : public FolderMemoryTest {
 protected:
  void Slots(const std::vector<std::string>& folders) {
    SetSlotCount(static_cast<int>(folders.size()));
    for (size_t i = 0; i < folders.size(); ++i) grid.SetCell(1, static_cast<int>(i) + 1, folders[i]);
  }
  std::string Rotate() {
    RotateFolder(memory);
    return window.current;
  }
  std::set<std::string> Pass(int changes) {
    std::set<std::string> seen;
    for (int i = 0; i < changes; ++i) seen.insert(framework::AsciiLower(Rotate()));
    return seen;
  }
  static std::set<std::string> Folders(std::initializer_list<std::string> folders) {
    std::set<std::string> set;
    for (const std::string& f : folders) set.insert(framework::AsciiLower(f));
    return set;
  }
  static size_t Count(const char* section) {
    size_t n = 0;
    for (int i = 1; i <= 10; ++i) n += !OpenSettings().ReadString(section, DirectoryKey(i), "").empty();
    return n;
  }
};

TEST_F(RotationTest, EachSlotOncePerPassThenANewPass) {
  std::string a = Folder("a"), b = Folder("b"), c = Folder("c");
  Slots({a, b, c});
  for (uint32_t seed = 1; seed <= 4; ++seed) {
    framework::SetRandomSeed(seed);
    OpenSettings().EraseSection(kSelectedDirectorys);
    EXPECT_EQ(Pass(3), Folders({a, b, c}));
    EXPECT_EQ(Count(kSelectedDirectorys), 3u);
    std::string first = Rotate();
    EXPECT_EQ(Count(kSelectedDirectorys), 1u);
    EXPECT_EQ(window.label, first);
    EXPECT_EQ(grid.Cell(1, window.slot), first);
  }
}

TEST_F(RotationTest, ExhaustedFoldersWaitUntilAllAreExhausted) {
  std::string a = Folder("a"), b = Folder("b"), c = Folder("c");
  Slots({a, b, c});
  MarkFolderAllShown(memory.settings, b, 2);
  EXPECT_EQ(Stored(kAllFilesSelectedDirectorys, "Directory2"), b);
  framework::SetRandomSeed(3);
  EXPECT_EQ(Pass(2), Folders({a, c}));
  MarkFolderAllShown(memory.settings, a, 1);
  MarkFolderAllShown(memory.settings, c, 3);
  Rotate();  // every folder shown through: the marks go
  EXPECT_EQ(Count(kAllFilesSelectedDirectorys), 0u);
  EXPECT_EQ(Pass(6), Folders({a, b, c}));
}

TEST_F(RotationTest, EmptySlotsAndRepeatedFoldersNeverStallThePass) {
  std::string a = Folder("a"), c = Folder("c");
  Slots({a, "", c, ""});
  for (uint32_t seed = 1; seed <= 3; ++seed) {
    framework::SetRandomSeed(seed);
    for (int pass = 0; pass < 3; ++pass) EXPECT_EQ(Pass(2), Folders({a, c})) << seed;
  }
  // The same folder in two slots, in other letters.
  Slots({a, framework::AsciiUpper(a), c});
  for (int pass = 0; pass < 4; ++pass) EXPECT_EQ(Pass(2), Folders({a, c}));
  MarkFolderAllShown(memory.settings, a, 1);
  MarkFolderAllShown(memory.settings, c, 3);
  EXPECT_EQ(Pass(4), Folders({a, c}));
  // Every slot empty: the step ends and the folder stays.
  Slots({"", "", ""});
  EXPECT_EQ(Pass(2), Folders({window.current}));
}

TEST_F(RotationTest, OneSlotOrNoneDrawsNothingAndKeysAboveTheCountWait) {
  std::string a = Folder("a"), b = Folder("b");
  Slots({a});
  grid.SetCell(1, 2, b);  // beyond the count
  EXPECT_EQ(Pass(3), Folders({a}));
  EXPECT_EQ(Count(kSelectedDirectorys), 0u);
  window.current = b;
  window.enabled = false;
  EXPECT_EQ(Rotate(), b);

  Slots({a, b});
  OpenSettings().WriteString(kSelectedDirectorys, "Directory3", a);
  OpenSettings().WriteString(kAllFilesSelectedDirectorys, "Directory4", b);
  EXPECT_TRUE(IsFolderSelectable(grid, 2, 1, memory.settings));
  EXPECT_FALSE(IsFolderSelectable(grid, 2, 1, memory.settings));
  EXPECT_TRUE(IsFolderSelectable(grid, 2, 2, memory.settings));  // its mark lies beyond the count
  grid.SetCell(1, 3, Folder("c"));
  grid.SetCell(1, 4, Folder("d"));
  EXPECT_FALSE(IsFolderSelectable(grid, 4, 2, memory.settings));  // raised: the mark counts again
  EXPECT_TRUE(IsFolderSelectable(grid, 4, 3, memory.settings));
}

namespace {

// The settings file as the file system knows it: every write replaces it by
// a new file, so the identity changes exactly when it was written.
uint64_t SettingsIdentity() {
  HANDLE h = CreateFileW(framework::Widen(SettingsPath()).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_NE(h, INVALID_HANDLE_VALUE);
  BY_HANDLE_FILE_INFORMATION info{};
  GetFileInformationByHandle(h, &info);
  CloseHandle(h);
  return (uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow;
}

}  // namespace

TEST_F(RotationTest, TheSettingsFileIsRewrittenOnlyWhenTheDecisionChangesAValue) {
  std::string a = Folder("a"), b = Folder("b"), c = Folder("c");
  Slots({a, b, c});
  MarkFolderAllShown(memory.settings, b, 2);
  struct Step {
    const char* what;
    uint8_t slot;
    bool selectable, written;
  } steps[] = {
      {"an exhausted folder, first refused: it joins the pass", 2, false, true},
      {"the same, refused again", 2, false, false},
      {"and again", 2, false, false},
      {"a folder not used yet", 1, true, true},
      {"that folder, used already in this pass", 1, false, false},
      {"the exhausted one once more", 2, false, false},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.what);
    uint64_t before = SettingsIdentity();
    EXPECT_EQ(IsFolderSelectable(grid, 3, step.slot, memory.settings), step.selectable);
    EXPECT_EQ(SettingsIdentity() != before, step.written);
  }
  EXPECT_EQ(Stored(kSelectedDirectorys, "Directory2"), b);
  EXPECT_EQ(Stored(kSelectedDirectorys, "Directory1"), a);
}

TEST_F(RotationTest, TakesOnlyTheFoldersTheTimeOfDayAllowsAndAnyWhenNoneIsInItsTime) {
  std::string day = Folder("day"), night = Folder("night"), any = Folder("any");
  Slots({day, night, any});
  grid.SetCell(2, 1, "6:00-18:00");
  grid.SetCell(2, 2, "22:00-5:00");
  int minute = 0;
  memory.clock = [&minute] { return kaleidon::TimeOfDay{minute}; };
  struct Case {
    int minute;
    std::set<std::string> taken;
  };
  const Case cases[] = {
      {12 * 60, Folders({day, any})},
      {23 * 60, Folders({night, any})},
      {2 * 60, Folders({night, any})},  // across midnight
      {20 * 60, Folders({any})},
  };
  for (const Case& c : cases) {
    minute = c.minute;
    framework::SetRandomSeed(static_cast<uint32_t>(c.minute));
    // Over several passes: each pass takes every folder in its time once.
    EXPECT_EQ(Pass(6), c.taken) << c.minute;
  }
  // With the only folder without a span gone, 20:00 holds none: any is taken.
  grid.SetCell(1, 3, "");
  minute = 20 * 60;
  EXPECT_EQ(Pass(8), Folders({day, night}));
}
