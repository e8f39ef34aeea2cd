#include "ui/folderlistform.h"

#include <algorithm>
#include <functional>
#include <vector>

#include "core/settings.h"
#include "core/storeproblems.h"
#include "framework/base/exception.h"
#include "framework/base/paths.h"
#include "framework/base/scopeguard.h"
#include "framework/base/text.h"
#include "framework/gui/application.h"
#include "framework/gui/layout.h"
#include "selection/exclusions.h"
#include "ui/settingsfile.h"

namespace kaleidon {

namespace {

// What the window shows.
constexpr const char* kCaption = "フォルダリスト";
constexpr const char* kCheckBox2Caption = "完全に最適化";
constexpr const char* kCheckBox1Caption = "重複フォルダも削除";
constexpr const char* kButton2Caption = "最適化(&O)";
constexpr const char* kButton1Caption = "閉じる(&C)";
constexpr const char* kUp1Caption = "１つ上へ移動";
constexpr const char* kDown1Caption = "1つ下へ移動";
constexpr const char* kDelete1Caption = "選択リスト削除";
constexpr const char* kAllDelete1Caption = "全リストを削除";
constexpr const char* kPathHeader = "フォルダのフルパス";  // after 35 blanks
constexpr const char* kLabel1Caption = "除外：%s 枚";
constexpr const char* kLabel1Unreadable = "？";
constexpr const char* kButton3Caption = "除外を解除(&U)";
constexpr const char* kClearCaption = "正義の除外解除";
constexpr const char* kClearText =
    "このフォルダで「今後使わない」にした正義の画像 %s 枚を、\r"
    "また壁紙に使うようにするぞ。よいか？\r\r"
    "%s";

framework::FormStyle FolderListStyle() { return framework::FormStyle::FixedDialog("TForm5", kCaption, 483, 370); }
}  // namespace

TForm5::TForm5(FolderSlots& slots) : Form(FolderListStyle()), slots_(slots) {
  framework::CreateControls(*this, {
      {&StringGrid1, 0, 0, 483, 306},
      {&CheckBox2, 5, 315, 100, 17, kCheckBox2Caption},
      {&CheckBox1, 110, 315, 150, 17, kCheckBox1Caption, framework::kDisabled},
      {&Button2, 310, 310, 81, 26, kButton2Caption},
      {&Button1, 400, 310, 81, 26, kButton1Caption},
      {&Label1, 5, 347, 0, 0, ""},
      {&Button3, 370, 340, 111, 26, kButton3Caption, framework::kDisabled},
  });
  StringGrid1->SetAccessibleName(kCaption);
  StringGrid1->SetColCount(2);
  StringGrid1->SetRowCount(kMaxFolderSlots + 1);
  StringGrid1->SetFixedCols(1);
  StringGrid1->SetFixedRows(1);
  StringGrid1->SetColWidth(0, 71);
  StringGrid1->SetColWidth(1, 390);
  StringGrid1->SetDefaultRowHeight(17);
  StringGrid1->SetRowSelect(true);
  StringGrid1->SetGridLines(true);
  StringGrid1->SetThumbTracking(true);
  CheckBox1->SetChecked(true);

  PopupMenu1 = std::make_unique<framework::PopupMenu>(this, "PopupMenu1");
  Up1 = PopupMenu1->Add("Up1", kUp1Caption, [this] { Up1Click(); });
  Down1 = PopupMenu1->Add("Down1", kDown1Caption, [this] { Down1Click(); });
  Delete1 = PopupMenu1->Add("Delete1", kDelete1Caption, [this] { Delete1Click(); });
  AllDelete1 = PopupMenu1->Add("AllDelete1", kAllDelete1Caption, [this] { AllDelete1Click(); });
  PopupMenu1->OnPopup = [this] { PopupMenu1Popup(); };
  StringGrid1->SetPopupMenu(PopupMenu1.get());

  StringGrid1->OnDblClick = [this] { StringGrid1DblClick(); };
  StringGrid1->OnClick = [this] { ShowExclusions(); };
  Button1->OnClick = [this] { Button1Click(); };
  Button2->OnClick = [this] { Button2Click(); };
  Button3->OnClick = [this] { Button3Click(); };
  OnShow = [this] { FormShow(); };
  Label1->SetText(framework::FormatText(kLabel1Caption, {"0"}));
}

TForm5::~TForm5() = default;

void TForm5::FillTable(int slotCount) {
  SetCell(1, 0, std::string(35, ' ') + kPathHeader);
  ReloadSlots(slotCount);
}

void TForm5::ReloadSlots(int slotCount) {
  const framework::IniEdit stored(OpenSettings());
  for (int n = 1; n <= slotCount && n <= kMaxFolderSlots; ++n) {
    // A file that cannot be read has no slots to give: the table keeps its own.
    if (!stored.Unread()) SetCell(1, n, stored.ReadString(kDirectoryBuf, PathMemoryKey(n), ""));
    SetCell(0, n, SlotLabel(n));
  }
}

void TForm5::LoadFolderList() {
  FolderMemory memory = Events.memory();
  kaleidon::LoadFolderList(memory);
}

int TForm5::SlotCount() const { return Events.memory().slotCount; }

void TForm5::ShowCurrentSlot() {
  FolderMemory memory = Events.memory();
  ChangeFolderSlot(memory);
}

void TForm5::WriteTwoSlots(framework::IniEdit& settings, const std::string& key1, const std::string& value1,
                           const std::string& key2, const std::string& value2) {
  settings.WriteString(kDirectoryBuf, key1, value1);
  settings.WriteString(kDirectoryBuf, key2, value2);
}

void TForm5::EditSlots(const std::function<void(framework::IniEdit& settings)>& change) {
  // The row may hold another folder afterwards.
  auto follow = framework::ScopeExit([this] { ShowExclusions(); });
  std::vector<std::pair<std::string, std::string>> before;
  for (int n = 1; n <= kMaxFolderSlots; ++n) before.emplace_back(Cell(0, n), Cell(1, n));
  try {
    framework::IniEdit settings(OpenSettings());
    change(settings);
    settings.Commit();
  } catch (...) {
    for (int n = 1; n <= kMaxFolderSlots; ++n) {
      SetCell(0, n, before[n - 1].first);
      SetCell(1, n, before[n - 1].second);
    }
    LoadFolderList();
    throw;
  }
}

void TForm5::Button1Click() { Close(); }

void TForm5::FormShow() {
  // The dialog opens on the current slot's row.
  const int count = SlotCount(), slot = Events.memory().controls.CurrentSlot();
  if (slot >= 1 && slot <= count && slot <= kMaxFolderSlots) StringGrid1->SetRow(slot);
  ShowExclusions();
}

std::string TForm5::ExclusionsFolder() const {
  const int count = SlotCount(), row = StringGrid1->Row();
  if (count == 0) return Events.memory().controls.ListedFolder();
  return row <= count ? Cell(1, row) : std::string();
}

void TForm5::ShowExclusions() {
  const std::string folder = ExclusionsFolder();
  std::string count = "0";
  bool any = false;
  if (!folder.empty()) {
    try {
      const size_t n = ExcludedCount(folder);
      count = std::to_string(n);
      any = n > 0;
    } catch (const framework::Exception&) {
      // A list that cannot be read can still be cleared.
      count = kLabel1Unreadable;
      any = framework::FileExists(ExclusionFilePath(folder));
    }
  }
  Label1->SetText(framework::FormatText(kLabel1Caption, {count}));
  Button3->SetEnabled(any);
}

void TForm5::Button3Click() {
  auto follow = framework::ScopeExit([this] { ShowExclusions(); });
  const std::string folder = ExclusionsFolder();
  if (folder.empty() || !framework::FileExists(ExclusionFilePath(folder))) return;
  std::string count = kLabel1Unreadable;
  try {
    count = std::to_string(ExcludedCount(folder));
  } catch (const framework::Exception&) {
  }
  if (framework::Application::Instance().MessageBox(framework::FormatText(kClearText, {count, folder}), kClearCaption,
                                                    MB_YESNO | MB_ICONQUESTION) != IDYES)
    return;
  ClearExclusions(folder);
  // The rotation may visit the folder again; a settings file that takes no
  // write only keeps it passed over until the pass ends.
  StoreOrReport(framework::Application::Instance(), [&] {
    framework::IniEdit settings(OpenSettings());
    ForgetFolderAllShown(settings, folder);
    settings.Commit();
  });
}

void TForm5::StringGrid1DblClick() {
  const std::string folder = Cell(1, StringGrid1->Row());
  // A folder that cannot be entered raises, and the dialog stays open.
  if (!folder.empty()) Events.openFolder(folder);
  Close();
}

void TForm5::PopupMenu1Popup() {
  const int row = StringGrid1->Row(), count = SlotCount();
  // The last used slot only moves by moving the one above it down.
  Up1->SetEnabled(row != 1 && row < count);
  Down1->SetEnabled(row < count);
  Delete1->SetEnabled(true);
  AllDelete1->SetEnabled(true);
}

void TForm5::Up1Click() {
  const int row = StringGrid1->Row();
  if (row <= 1) return;
  EditSlots([&](framework::IniEdit& settings) {
    const std::string above = Cell(1, row - 1);
    SetCell(1, row - 1, Cell(1, row));
    SetCell(1, row, above);
    StringGrid1->SetRow(row - 1);
    ShowCurrentSlot();
    WriteTwoSlots(settings, PathMemoryKey(row), Cell(1, row), PathMemoryKey(row - 1), Cell(1, row - 1));
  });
}

void TForm5::Down1Click() {
  const int row = StringGrid1->Row();
  if (row >= kMaxFolderSlots) return;
  EditSlots([&](framework::IniEdit& settings) {
    const std::string below = Cell(1, row + 1);
    SetCell(1, row + 1, Cell(1, row));
    SetCell(1, row, below);
    StringGrid1->SetRow(row + 1);
    ShowCurrentSlot();
    WriteTwoSlots(settings, PathMemoryKey(row), Cell(1, row), PathMemoryKey(row + 1), Cell(1, row + 1));
  });
}

void TForm5::Delete1Click() {
  const int row = StringGrid1->Row(), count = SlotCount();
  EditSlots([&](framework::IniEdit& settings) {
    // The entries below move up one row; the last used row takes the text
    // of the row after it, normally empty.
    SetCell(1, row, "");
    for (int i = row; i <= count; ++i) SetCell(1, i, Cell(1, i + 1));
    ShowCurrentSlot();
    for (int n = 1; n <= count; ++n) settings.WriteString(kDirectoryBuf, PathMemoryKey(n), Cell(1, n));
  });
}

void TForm5::AllDelete1Click() {
  EditSlots([&](framework::IniEdit& settings) {
    for (int n = 1; n <= kMaxFolderSlots; ++n) SetCell(1, n, "");
    ShowCurrentSlot();
    settings.EraseSection(kDirectoryBuf);
  });
}

void TForm5::Button2Click() {
  EditSlots([this](framework::IniEdit& settings) { Optimize(settings); });
}

void TForm5::Optimize(framework::IniEdit& settings) {
  StringGrid1->SetRow(1);
  const int slotBefore = Events.memory().controls.CurrentSlot();
  // Whatever happened, the table shows the stored slots of the count in
  // force, and a current slot beyond that count starts again at the first.
  auto finish = [this, slotBefore] {
    LoadFolderList();
    StringGrid1->SetRow(1);
    FolderMemory memory = Events.memory();
    if (slotBefore > memory.slotCount) memory.controls.SetCurrentSlot(1);
  };
  try {
    CompactSlots(settings);
  } catch (...) {
    finish();
    throw;
  }
  finish();
}

void TForm5::CompactSlots(framework::IniEdit& settings) {
  const bool complete = CheckBox2->Checked();
  // Folders stored above the slot count come back too.
  if (complete) {
    for (int n = 1; n <= kMaxFolderSlots; ++n) {
      SetCell(1, n, settings.ReadString(kDirectoryBuf, PathMemoryKey(n), ""));
      SetCell(0, n, SlotLabel(n));
    }
  }
  std::vector<std::string> kept;
  for (int n = 1; n <= kMaxFolderSlots; ++n) {
    const std::string folder = Cell(1, n);
    if (folder.empty()) continue;
    auto same = [&folder](const std::string& k) { return framework::SameTextNoCase(k, folder); };
    if (CheckBox1->Checked() && std::any_of(kept.begin(), kept.end(), same)) continue;
    kept.push_back(folder);
  }
  if (complete) settings.EraseSection(kDirectoryBuf);
  const int count = static_cast<int>(kept.size());
  for (int j = 1; j <= count; ++j) settings.WriteString(kDirectoryBuf, PathMemoryKey(j), kept[j - 1]);
  // Stored before anything else follows: the slot count and the table change
  // only once the file has taken the list.
  settings.Commit();
  Events.setSlotCount(count);
  for (int n = count + 1; n <= kMaxFolderSlots; ++n) {
    SetCell(0, n, "");
    SetCell(1, n, "");
  }
}

void TForm5::RegisterAndOptimize(
    const std::function<void(SlotTable& table, framework::IniEdit& settings)>& registerFolders) {
  // A refused write leaves the box as it was, with the list.
  const bool wasComplete = CheckBox2->Checked();
  CheckBox2->SetChecked(true);
  try {
    EditSlots([&](framework::IniEdit& settings) {
      registerFolders(*this, settings);
      Optimize(settings);
    });
  } catch (...) {
    CheckBox2->SetChecked(wasComplete);
    throw;
  }
}

void TForm5::UpgradeFolderList() {
  const int countBefore = SlotCount();
  // Folder memory that was off stays off; the next optimisation by hand is
  // a normal one again.
  auto settle = [&] {
    if (countBefore == 0) Events.setSlotCount(0);
    CheckBox2->SetChecked(false);
  };
  try {
    // A file that cannot be read is no older version's.
    const framework::IniEdit stored(OpenSettings());
    if (framework::FileExists(stored.FileName()) && !stored.Unread() &&
        stored.ReadString(kSysInfo, kProgramVersionKey, kOldestProgramVersion) != kProgramVersion) {
      CheckBox2->SetChecked(true);
      CheckBox1->SetChecked(true);
      Button2Click();
    }
  } catch (...) {
    settle();
    throw;
  }
  settle();
}

std::string TForm5::Cell(int column, int row) const {
  return row == 0 ? StringGrid1->Cells(column, row) : slots_.Cell(column, row);
}

void TForm5::SetCell(int column, int row, const std::string& text) {
  if (row != 0) slots_.SetCell(column, row, text);
  StringGrid1->SetCells(column, row, text);
}

void TForm5::ShowSlots() {
  for (int n = 1; n <= kMaxFolderSlots; ++n)
    for (int column = 0; column < 2; ++column)
      if (StringGrid1->Cells(column, n) != slots_.Cell(column, n)) StringGrid1->SetCells(column, n, slots_.Cell(column, n));
}

}  // namespace kaleidon
