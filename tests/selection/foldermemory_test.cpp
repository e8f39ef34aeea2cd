#include "selection/foldermemory.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

#include "core/settings.h"
#include "framework/application.h"
#include "framework/paths.h"
#include "framework/random.h"
#include "framework/text.h"
#include "selection/rotation.h"
#include "support/tempdir.h"

using namespace kaleidon;

namespace {

// The folder list dialog's grid.
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
  int slot = 1;
  int maxSlot = 1;
  bool enabled = true;
  std::string listed;
  std::string current;
  std::string label;
  int driveSyncs = 0;
  int repaints = 0;
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
    current = folder;
    listed = folder;
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
    framework::Application::Instance().SetMessageBoxHook([this](const framework::MessageBoxCall& call) {
      boxes.push_back(call);
      return IDOK;
    });
    window.onSlotChange = [this] { ChangeFolderSlot(memory); };
    SetSlotCount(3);
  }
  void TearDown() override {
    framework::Application::Instance().SetMessageBoxHook(nullptr);
    framework::OverrideProgramFolder("");
  }
  void SetSlotCount(int count) {
    memory.slotCount = count;
    window.maxSlot = count;
    window.enabled = count >= 1;
  }
  std::string Folder(const std::string& name) {
    pictures.MakeFolder(name);
    return pictures.PathOf(name + "\\");
  }
  std::string Stored(const char* section, const std::string& key) {
    return OpenSettings().ReadString(section, key, "<none>");
  }

  TempDir program;
  TempDir pictures;
  Grid grid;
  MainWindow window;
  FolderMemory memory{grid, window, 3};
  std::vector<framework::MessageBoxCall> boxes;
};

}  // namespace

TEST_F(FolderMemoryTest, SlotOperationsWriteGridAndSettings) {
  RegisterFolderSlot(grid, "C:\\Pics", 7);
  EXPECT_EQ(grid.Cell(1, 7), "C:\\Pics\\");
  EXPECT_EQ(grid.Cell(0, 7), "Memory[7]");
  EXPECT_EQ(Stored(kDirectoryBuf, "PathMemory7"), "C:\\Pics\\");
  WriteFolderSlot("D:\\写真\\", 200);
  EXPECT_EQ(Stored(kDirectoryBuf, "PathMemory200"), "D:\\写真\\");
  MarkFolderAllShown("C:\\Pics\\", 2);
  EXPECT_EQ(Stored(kAllFilesSelectedDirectorys, "Directory2"), "C:\\Pics\\");
}

TEST_F(FolderMemoryTest, RememberFillsSlotsAndRefusesExactDuplicates) {
  std::string a = Folder("a"), b = Folder("b"), c = Folder("c");
  window.listed = a.substr(0, a.size() - 1);  // the list's folder has no trailing '\'
  RememberFolder(memory);
  EXPECT_EQ(grid.Cell(1, 1), a);
  EXPECT_EQ(grid.Cell(0, 1), "Memory[1]");
  EXPECT_EQ(Stored(kDirectoryBuf, "PathMemory1"), a);
  EXPECT_EQ(window.slot, 2);
  EXPECT_EQ(window.label, "");  // slot 2 is still empty

  // Already in slot 1: a message, nothing stored, the slot stays.
  window.listed = a;
  RememberFolder(memory);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].caption, "暗黒のエラー");
  EXPECT_EQ(boxes[0].text, "ぐぁぁぁ！既に同名フォルダが登録されているぞ");
  EXPECT_EQ(boxes[0].flags & MB_ICONMASK, static_cast<unsigned>(MB_ICONWARNING));
  EXPECT_EQ(window.slot, 2);
  EXPECT_EQ(grid.Cell(1, 2), "");
  EXPECT_EQ(Stored(kDirectoryBuf, "PathMemory2"), "<none>");

  // The duplicate test minds case: the same folder in other letters is taken.
  window.listed = framework::AsciiUpper(a);
  RememberFolder(memory);
  EXPECT_EQ(grid.Cell(1, 2), framework::AsciiUpper(a));
  EXPECT_EQ(window.slot, 3);

  // The last slot is filled and the current slot stays there; the next
  // remember overwrites it.
  window.listed = b;
  RememberFolder(memory);
  EXPECT_EQ(window.slot, 3);
  EXPECT_EQ(window.label, b);
  window.listed = c;
  RememberFolder(memory);
  EXPECT_EQ(grid.Cell(1, 3), c);
  EXPECT_EQ(Stored(kDirectoryBuf, "PathMemory3"), c);
  EXPECT_EQ(window.label, c);
  EXPECT_EQ(boxes.size(), 1u);
}

TEST_F(FolderMemoryTest, SlotChangeClampsAndShowsTheSlotFolder) {
  grid.SetCell(1, 1, "C:\\one\\");
  grid.SetCell(1, 2, "C:\\two\\");
  window.maxSlot = 10;  // the box still allows more after the count was lowered
  window.slot = 7;
  SetSlotCount(2);
  ChangeFolderSlot(memory);
  EXPECT_EQ(window.slot, 2);
  EXPECT_EQ(window.label, "C:\\two\\");
  window.slot = 0;
  ChangeFolderSlot(memory);
  EXPECT_EQ(window.slot, 1);
  EXPECT_EQ(window.label, "C:\\one\\");

  SetSlotCount(1);
  window.slot = 1;
  ChangeFolderSlot(memory);
  EXPECT_EQ(window.label, "C:\\one\\");

  window.label = "unchanged";
  SetSlotCount(0);
  ChangeFolderSlot(memory);
  EXPECT_EQ(window.label, "unchanged");
}

TEST_F(FolderMemoryTest, RecallMovesToTheSlotFolderOrRepairsAMissingOne) {
  std::string a = Folder("a"), b = Folder("b");
  window.current = a;
  grid.SetCell(1, 1, b);
  grid.SetCell(1, 3, framework::AsciiUpper(a));

  // An empty slot changes nothing but the drive box.
  window.slot = 2;
  RecallFolder(memory);
  EXPECT_EQ(window.current, a);
  EXPECT_EQ(window.driveSyncs, 1);

  // The current folder in other letters: nothing to do.
  window.slot = 3;
  RecallFolder(memory);
  EXPECT_EQ(window.current, a);

  window.slot = 1;
  RecallFolder(memory);
  EXPECT_EQ(window.current, b);
  EXPECT_TRUE(boxes.empty());

  // Slot 3's folder is gone: the program folder takes its place everywhere.
  window.current = b;
  grid.SetCell(1, 3, pictures.PathOf("gone\\"));
  OpenSettings().WriteString(kDirectoryBuf, "PathMemory1", b);
  OpenSettings().WriteString(kDirectoryBuf, "PathMemory2", "");
  window.slot = 3;
  RecallFolder(memory);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].caption, "暗黒のエラー");
  EXPECT_EQ(boxes[0].text,
            "むはっ！前まであった正義のフォルダが見つからない！\r前回選択されていた正義のフォルダは暗黒の削除をされたか、"
            "正義の移動された可能性があるな････\rカレイドンが正義のインストールをされている正義のフォルダに正義の頭突きで"
            "設定を変更だ！");
  EXPECT_EQ(boxes[0].flags & MB_ICONMASK, static_cast<unsigned>(MB_ICONQUESTION));
  EXPECT_EQ(window.repaints, 1);
  EXPECT_EQ(window.current, program.path());
  EXPECT_EQ(Stored(kDirectoryBuf, "PathMemory3"), program.path());
  EXPECT_EQ(grid.Cell(1, 3), program.path());  // reloaded from the settings file
  EXPECT_EQ(grid.Cell(1, 1), b);
  EXPECT_EQ(window.label, program.path());
  EXPECT_EQ(window.driveSyncs, 4);
}

TEST_F(FolderMemoryTest, LoadFolderListReadsRowsUpToTheCount) {
  OpenSettings().WriteString(kDirectoryBuf, "PathMemory1", "C:\\one\\");
  OpenSettings().WriteString(kDirectoryBuf, "PathMemory3", "C:\\three\\");
  OpenSettings().WriteString(kDirectoryBuf, "PathMemory4", "C:\\four\\");
  grid.SetCell(1, 2, "old");
  grid.SetCell(1, 4, "kept");
  window.slot = 3;
  LoadFolderList(memory);
  EXPECT_EQ(grid.Cell(1, 1), "C:\\one\\");
  EXPECT_EQ(grid.Cell(1, 2), "");
  EXPECT_EQ(grid.Cell(1, 3), "C:\\three\\");
  EXPECT_EQ(grid.Cell(1, 4), "kept");
  EXPECT_EQ(window.label, "C:\\three\\");

  SetSlotCount(0);
  window.label = "unchanged";
  grid.SetCell(1, 1, "x");
  LoadFolderList(memory);
  EXPECT_EQ(grid.Cell(1, 1), "x");
  EXPECT_EQ(window.label, "unchanged");
}

// Rotation -----------------------------------------------------------------

class RotationTest : public FolderMemoryTest {
 protected:
  void Slots(const std::vector<std::string>& folders) {
    SetSlotCount(static_cast<int>(folders.size()));
    for (size_t i = 0; i < folders.size(); ++i) grid.SetCell(1, static_cast<int>(i) + 1, folders[i]);
  }
  // One change's rotation; the folder it moved to.
  std::string Rotate() {
    RotateFolder(memory);
    return window.current;
  }
  size_t Count(const char* section) {
    size_t n = 0;
    for (int i = 1; i <= 200; ++i)
      if (!OpenSettings().ReadString(section, DirectoryKey(i), "").empty()) ++n;
    return n;
  }
};

TEST_F(RotationTest, EachSlotOncePerPass) {
  std::string a = Folder("a"), b = Folder("b"), c = Folder("c");
  Slots({a, b, c});
  for (uint32_t seed = 1; seed <= 5; ++seed) {
    framework::SetRandomSeed(seed);
    OpenSettings().EraseSection(kSelectedDirectorys);
    std::set<std::string> pass;
    for (int i = 0; i < 3; ++i) pass.insert(Rotate());
    EXPECT_EQ(pass, (std::set<std::string>{a, b, c}));
    EXPECT_EQ(Count(kSelectedDirectorys), 3u);
    // The fourth change starts a new pass with the slot it draws.
    std::string first = Rotate();
    EXPECT_EQ(Count(kSelectedDirectorys), 1u);
    EXPECT_EQ(window.label, first);
    EXPECT_EQ(grid.Cell(1, window.slot), first);
  }
  EXPECT_TRUE(boxes.empty());
}

TEST_F(RotationTest, ExhaustedFoldersWaitUntilAllAreExhausted) {
  std::string a = Folder("a"), b = Folder("b"), c = Folder("c");
  Slots({a, b, c});
  MarkFolderAllShown(b, 2);
  framework::SetRandomSeed(3);
  std::set<std::string> pass;
  for (int i = 0; i < 2; ++i) pass.insert(Rotate());
  EXPECT_EQ(pass, (std::set<std::string>{a, c}));
  EXPECT_EQ(Stored(kAllFilesSelectedDirectorys, "Directory2"), b);

  // Every folder shown through: the marks are cleared and rotation goes on.
  MarkFolderAllShown(a, 1);
  MarkFolderAllShown(c, 3);
  std::string next = Rotate();
  EXPECT_FALSE(next.empty());
  EXPECT_EQ(Count(kAllFilesSelectedDirectorys), 0u);
  std::set<std::string> later;
  for (int i = 0; i < 6; ++i) later.insert(Rotate());
  EXPECT_EQ(later, (std::set<std::string>{a, b, c}));
}

TEST_F(RotationTest, EmptySlotsNeverStallThePass) {
  std::string a = Folder("a"), c = Folder("c");
  Slots({a, "", c, ""});
  window.current = program.path();
  for (uint32_t seed = 1; seed <= 3; ++seed) {
    framework::SetRandomSeed(seed);
    for (int pass = 0; pass < 4; ++pass) {
      std::set<std::string> seen;
      seen.insert(Rotate());
      seen.insert(Rotate());
      EXPECT_EQ(seen, (std::set<std::string>{a, c})) << "seed " << seed << " pass " << pass;
    }
  }
  // With every slot empty the step still ends, and the folder stays.
  Slots({"", "", ""});
  window.current = a;
  EXPECT_EQ(Rotate(), a);
}

TEST_F(RotationTest, SameFolderInTwoSlotsInOtherCase) {
  std::string x = Folder("x"), y = Folder("y");
  Slots({x, framework::AsciiUpper(x), y});
  framework::SetRandomSeed(5);
  for (int pass = 0; pass < 5; ++pass) {
    std::set<std::string> seen;
    for (int i = 0; i < 2; ++i) seen.insert(framework::AsciiLower(Rotate()));
    EXPECT_EQ(seen, (std::set<std::string>{framework::AsciiLower(x), framework::AsciiLower(y)}));
  }
  // Exhausted in one of its two slots: still no hang, all start over.
  MarkFolderAllShown(x, 1);
  MarkFolderAllShown(y, 3);
  for (int i = 0; i < 4; ++i) EXPECT_FALSE(Rotate().empty());
}

TEST_F(RotationTest, OneSlotOrNoneDrawsNothing) {
  std::string a = Folder("a"), b = Folder("b");
  Slots({a});
  grid.SetCell(1, 2, b);  // beyond the count: ignored
  window.slot = 1;
  for (int i = 0; i < 3; ++i) EXPECT_EQ(Rotate(), a);
  EXPECT_EQ(Count(kSelectedDirectorys), 0u);

  window.current = b;
  window.enabled = false;
  EXPECT_EQ(Rotate(), b);
  EXPECT_EQ(window.driveSyncs, 3);
}

TEST_F(RotationTest, KeysAboveTheCountAreIgnored) {
  std::string a = Folder("a"), b = Folder("b");
  Slots({a, b});
  OpenSettings().WriteString(kSelectedDirectorys, "Directory3", a);
  OpenSettings().WriteString(kAllFilesSelectedDirectorys, "Directory4", b);
  EXPECT_TRUE(IsFolderSelectable(grid, 2, 1));
  EXPECT_FALSE(IsFolderSelectable(grid, 2, 1));
  EXPECT_TRUE(IsFolderSelectable(grid, 2, 2));  // its exhausted mark lies beyond the count
  // Raising the count brings the keys back: b is now exhausted.
  grid.SetCell(1, 3, Folder("c"));
  grid.SetCell(1, 4, Folder("d"));
  EXPECT_FALSE(IsFolderSelectable(grid, 4, 2));
  EXPECT_TRUE(IsFolderSelectable(grid, 4, 3));
}
