#include "selection/autoregister.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <map>
#include <set>

#include "core/settings.h"
#include "framework/base/paths.h"
#include "framework/base/text.h"
#include "support/folderlink.h"
#include "support/tempdir.h"

using namespace kaleidon;

namespace {

void SetAttributes(const std::string& path, DWORD attributes) {
  SetFileAttributesW(framework::Widen(path).c_str(), attributes);
}

// pics (a picture) > inner (a picture) > deeper (empty); empty; only-sub >
// nested (a picture); a hidden and a system folder; a file at the top.
struct PictureTree {
  TempDir dir;
  PictureTree() {
    dir.WriteFile("pics\\a.bmp", "x");
    dir.WriteFile("pics\\inner\\b.jpg", "x");
    dir.MakeFolder("pics\\inner\\deeper");
    dir.MakeFolder("empty");
    dir.WriteFile("only-sub\\nested\\c.bmp", "x");
    dir.WriteFile("隠し\\d.bmp", "x");
    SetAttributes(dir.PathOf("隠し"), FILE_ATTRIBUTE_HIDDEN);
    dir.MakeFolder("system");
    SetAttributes(dir.PathOf("system"), FILE_ATTRIBUTE_SYSTEM);
    dir.WriteFile("top.bmp", "x");
  }
  ~PictureTree() {
    SetAttributes(dir.PathOf("隠し"), FILE_ATTRIBUTE_NORMAL);
    SetAttributes(dir.PathOf("system"), FILE_ATTRIBUTE_NORMAL);
  }
  std::vector<std::string> Paths(std::initializer_list<const char*> relative) const {
    std::vector<std::string> paths;
    for (const char* r : relative) paths.push_back(dir.PathOf(r));
    return paths;
  }
  std::vector<std::string> Walk() const {
    std::vector<std::string> list{"left over"};
    CollectEntries(dir.path(), kDirectoryAttribute, false, false, true, true, list, true);
    return list;
  }
};

std::vector<std::string> Sorted(std::vector<std::string> v) {
  std::sort(v.begin(), v.end());
  return v;
}

// Each folder comes after the folder it lies in, and the folders inside one
// folder follow it without a gap.
void ExpectEachFolderBeforeItsSubfolders(const std::vector<std::string>& list, const std::string& top) {
  auto inside = [](const std::string& path, const std::string& folder) {
    return path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0;
  };
  for (size_t i = 0; i < list.size(); ++i) {
    std::string parent = framework::ExtractFilePath(list[i].substr(0, list[i].size() - 1));
    if (parent != top) {
      auto at = std::find(list.begin(), list.end(), parent);
      ASSERT_TRUE(at != list.end() && at < list.begin() + i) << list[i] << " before " << parent;
    }
    for (size_t j = i + 1; j < list.size(); ++j) {
      if (!inside(list[j], list[i])) continue;
      for (size_t k = i + 1; k < j; ++k) EXPECT_TRUE(inside(list[k], list[i])) << list[k] << " within " << list[i];
    }
  }
}

}  // namespace

TEST(CollectEntries, ListsEveryFolderBelowHiddenAndSystemOnesEachBeforeItsSubfolders) {
  PictureTree tree;
  std::vector<std::string> list = tree.Walk();
  EXPECT_EQ(Sorted(list), Sorted(tree.Paths({"pics\\", "pics\\inner\\", "pics\\inner\\deeper\\", "empty\\",
                                             "only-sub\\", "only-sub\\nested\\", "隠し\\", "system\\"})));
  ExpectEachFolderBeforeItsSubfolders(list, tree.dir.path());

  // The start folder may come without its trailing "\".
  std::vector<std::string> again;
  CollectEntries(tree.dir.path().substr(0, tree.dir.path().size() - 1), kDirectoryAttribute, false, false, true,
                 true, again, true);
  EXPECT_EQ(again, list);
}

TEST(CollectEntries, FlagsChooseWhatIsListedAndWhatIsTouched) {
  PictureTree tree;
  // Hidden entries directly in the folder, unmarked, appended to the list.
  std::vector<std::string> list{"kept"};
  CollectEntries(tree.dir.path(), kHiddenAttribute, false, false, false, false, list, false);
  EXPECT_EQ(list, (std::vector<std::string>{"kept", tree.dir.PathOf("隠し")}));

  // Clearing attributes takes read-only and hidden off every entry met.
  tree.dir.SetReadOnly("pics\\a.bmp", true);
  CollectEntries(tree.dir.path(), kDirectoryAttribute, false, true, true, true, list, true);
  EXPECT_EQ(GetFileAttributesW(framework::Widen(tree.dir.PathOf("隠し")).c_str()) & FILE_ATTRIBUTE_HIDDEN, 0u);
  EXPECT_EQ(GetFileAttributesW(framework::Widen(tree.dir.PathOf("pics\\a.bmp")).c_str()) & FILE_ATTRIBUTE_READONLY,
            0u);
  EXPECT_NE(GetFileAttributesW(framework::Widen(tree.dir.PathOf("system")).c_str()) & FILE_ATTRIBUTE_SYSTEM, 0u);

  // A folder that is gone gives nothing and no error.
  CollectEntries(tree.dir.PathOf("gone"), kDirectoryAttribute, false, false, true, true, list, true);
  EXPECT_TRUE(list.empty());
}

TEST(CollectEntries, AFolderReachedAgainThroughALinkIsNeitherListedNorWalkedAgain) {
  PictureTree tree;
  // A link leading back up to the start folder, and one to a folder beside it.
  FolderLink loop(tree.dir.PathOf("pics\\inner\\loop"), tree.dir.path());
  FolderLink alias(tree.dir.PathOf("alias"), tree.dir.PathOf("only-sub"));
  ASSERT_FALSE(loop.Kind().empty() || alias.Kind().empty()) << "no folder link could be made";
  std::vector<std::string> list = tree.Walk();
  // The loop is not followed; only-sub and its folder are listed once, under
  // whichever name the walk met first.
  std::vector<std::string> expected = tree.Paths({"pics\\", "pics\\inner\\", "pics\\inner\\deeper\\", "empty\\",
                                                  "隠し\\", "system\\"});
  bool viaAlias = std::find(list.begin(), list.end(), tree.dir.PathOf("alias\\")) != list.end();
  for (const std::string& p :
       viaAlias ? tree.Paths({"alias\\", "alias\\nested\\"}) : tree.Paths({"only-sub\\", "only-sub\\nested\\"}))
    expected.push_back(p);
  EXPECT_EQ(Sorted(list), Sorted(expected)) << loop.Kind();
  ExpectEachFolderBeforeItsSubfolders(list, tree.dir.path());
}

namespace {

class Table : public SlotTable {
 public:
  std::string Cell(int column, int row) const override {
    EXPECT_GE(row, 1);
    EXPECT_LE(row, kMaxFolderSlots);
    auto it = cells.find({column, row});
    return it == cells.end() ? std::string() : it->second;
  }
  void SetCell(int column, int row, const std::string& text) override {
    EXPECT_GE(row, 1);
    EXPECT_LE(row, kMaxFolderSlots);
    cells[{column, row}] = text;
  }
  std::map<std::pair<int, int>, std::string> cells;
};

}  // namespace

TEST(RegisterPictureFolders, FillsTheSlotsAfterTheCountUpToSlot200AndCountsTheRest) {
  TempDir program, pictures;
  framework::OverrideProgramFolder(program.path());
  std::vector<std::string> folders;
  for (const char* name : {"a", "none", "b", "c", "d"}) {
    pictures.MakeFolder(name);
    folders.push_back(pictures.PathOf(std::string(name) + "\\"));
  }
  folders.insert(folders.begin() + 1, pictures.PathOf("gone\\"));
  std::vector<std::string> asked;
  auto holdsPicture = [&](const std::string& folder) {
    asked.push_back(folder);
    return framework::ExtractFileName(folder) != "none";
  };

  struct Case {
    int slotCount;
    int registered, leftOut;
    int firstSlot;
  };
  for (const Case& c : {Case{0, 4, 0, 1}, Case{3, 4, 0, 4}, Case{198, 2, 2, 199}, Case{200, 0, 4, 0}}) {
    SCOPED_TRACE(c.slotCount);
    DeleteFileW(framework::Widen(program.PathOf("Kaleidon.ini")).c_str());
    Table table;
    asked.clear();
    FolderRegistration result = RegisterPictureFolders(table, folders, c.slotCount, holdsPicture);
    EXPECT_EQ(result.registered, c.registered);
    EXPECT_EQ(result.leftOut, c.leftOut);
    // Asked without the trailing "\"; a folder that is gone is not asked about.
    EXPECT_EQ(asked.size(), 5u);
    EXPECT_EQ(asked.front(), pictures.PathOf("a"));
    if (c.registered > 0) {
      EXPECT_EQ(table.Cell(1, c.firstSlot), pictures.PathOf("a\\"));
      EXPECT_EQ(table.Cell(0, c.firstSlot), SlotLabel(c.firstSlot));
      EXPECT_EQ(table.Cell(1, c.firstSlot + 1), pictures.PathOf("b\\"));
      EXPECT_EQ(OpenSettings().ReadString(kDirectoryBuf, PathMemoryKey(c.firstSlot), ""), pictures.PathOf("a\\"));
    }
    EXPECT_EQ(table.cells.size(), 2u * c.registered);
  }
  EXPECT_FALSE(OpenSettings().ValueExists(kDirectoryBuf, "PathMemory201"));
  framework::OverrideProgramFolder("");
}
