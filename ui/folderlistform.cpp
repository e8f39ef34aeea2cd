#include "ui/folderlistform.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <optional>
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
#include "selection/timespan.h"
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
constexpr const char* kSpanHeader = "時間帯";
constexpr const char* kSpan1Caption = "時間帯を設定(&T)...";
constexpr const char* kSpanClear1Caption = "時間帯を解除(&R)";
constexpr const char* kSpanFormCaption = "時間帯";
constexpr const char* kSpanPrompt = "このフォルダを使う時間帯（例 6:00-18:00、22:00-5:00。空欄でいつでも）：";
constexpr const char* kSpanRefusedCaption = "悪のエラー";
constexpr const char* kSpanRefusedText =
    "ぐあっ！「%s」は時間帯として読めないぞ！\r"
    "6:00-18:00 や 22:00-5:00 のように、始まりと終わりの時刻を「-」でつないでくれ";
constexpr const char* kLabel1Caption = "除外：%s 枚";
constexpr const char* kLabel1Unreadable = "？";
constexpr const char* kButton3Caption = "除外を解除(&U)";
constexpr const char* kClearCaption = "正義の除外解除";
constexpr const char* kClearText =
    "このフォルダで「今後使わない」にした正義の画像 %s 枚を、\r"
    "また壁紙に使うようにするぞ。よいか？\r\r"
    "%s";

// The small dialog that asks for a row's time span.
class SpanForm : public framework::Form {
 public:
  explicit SpanForm(const std::string& current)
      : Form(framework::FormStyle::FixedDialog("TSpanForm", kSpanFormCaption, 330, 92)) {
    framework::CreateControls(*this, {
        {framework::unnamed<framework::Label>, 8, 8, 314, 17, kSpanPrompt, framework::kNamesNext},
        {&edit, 8, 28, 314, 21, ""},
        {&ok, 160, 58, 78, 26, "OK"},
        {&cancel, 244, 58, 78, 26, "キャンセル"},
    });
    edit->SetMaxLength(40);
    edit->SetText(current);
    ok->OnClick = [this] { Done(IDOK); };
    cancel->OnClick = [this] { Done(IDCANCEL); };
  }
  framework::Edit* edit;
  framework::Button* ok;
  framework::Button* cancel;

 protected:
  // Enter in the box is the OK button (Escape closes it as any dialog).
  LRESULT WindowMessage(UINT msg, WPARAM wp, LPARAM lp) override {
    if (msg == WM_COMMAND && lp == 0 && LOWORD(wp) == IDOK) {
      Done(IDOK);
      return 0;
    }
    return Form::WindowMessage(msg, wp, lp);
  }

 private:
  void Done(int result) {
    SetModalResult(result);
    Close();
  }
};

std::optional<std::string> AskSpanInDialog(const std::string& current) {
  SpanForm dialog(current);
  if (dialog.ShowModal() != IDOK) return std::nullopt;
  return dialog.edit->Text();
}

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
  StringGrid1->SetColCount(3);
  StringGrid1->SetRowCount(kMaxFolderSlots + 1);
  StringGrid1->SetFixedCols(1);
  StringGrid1->SetFixedRows(1);
  StringGrid1->SetColWidth(0, 71);
  StringGrid1->SetColWidth(1, 300);
  StringGrid1->SetColWidth(2, 80);
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
  Span1 = PopupMenu1->Add("Span1", kSpan1Caption, [this] { Span1Click(); });
  SpanClear1 = PopupMenu1->Add("SpanClear1", kSpanClear1Caption, [this] { SpanClear1Click(); });
  AskSpan = AskSpanInDialog;
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
  ShowTable();
  ReloadSlots(slotCount);
}

void TForm5::ShowTable() {
  SetCell(1, 0, std::string(35, ' ') + kPathHeader);
  SetCell(2, 0, kSpanHeader);
  ShowSlots();
}

void TForm5::ReloadSlots(int slotCount) {
  const framework::IniEdit stored(OpenSettings());
  for (int n = 1; n <= slotCount && n <= kMaxFolderSlots; ++n) {
    // A file that cannot be read has no slots to give: the table keeps its own.
    if (!stored.Unread()) {
      const std::string folder = stored.ReadString(kDirectoryBuf, PathMemoryKey(n), "");
      SetCell(1, n, folder);
      const std::optional<TimeSpan> span = ReadSlotSpan(stored, n, folder);
      SetCell(2, n, span ? FormatTimeSpan(*span) : std::string());
    }
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
  for (const std::string* key : {&key1, &key2}) WriteSpanOf(settings, *key);
}

void TForm5::WriteSpanOf(framework::IniEdit& settings, const std::string& pathMemoryKey) {
  const std::string prefix = PathMemoryKey(0).substr(0, PathMemoryKey(0).size() - 1);
  if (pathMemoryKey.rfind(prefix, 0) != 0) return;
  const int slot = std::atoi(pathMemoryKey.c_str() + prefix.size());
  if (slot >= 1 && slot <= kMaxFolderSlots) WriteSlotSpan(settings, slot, Cell(1, slot), ParseTimeSpan(Cell(2, slot)));
}

void TForm5::EditSlots(const std::function<void(framework::IniEdit& settings)>& change) {
  // The row may hold another folder afterwards.
  auto follow = framework::ScopeExit([this] { ShowExclusions(); });
  std::vector<std::array<std::string, 3>> before;
  for (int n = 1; n <= kMaxFolderSlots; ++n) before.push_back({Cell(0, n), Cell(1, n), Cell(2, n)});
  try {
    framework::IniEdit settings(OpenSettings());
    change(settings);
    settings.Commit();
  } catch (...) {
    for (int n = 1; n <= kMaxFolderSlots; ++n) {
      for (int column = 0; column < 3; ++column) SetCell(column, n, before[n - 1][column]);
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
    const std::string above = Cell(1, row - 1), aboveSpan = Cell(2, row - 1), span = Cell(2, row);
    SetCell(1, row - 1, Cell(1, row));
    SetCell(2, row - 1, span);
    SetCell(1, row, above);
    SetCell(2, row, aboveSpan);
    StringGrid1->SetRow(row - 1);
    ShowCurrentSlot();
    WriteTwoSlots(settings, PathMemoryKey(row), Cell(1, row), PathMemoryKey(row - 1), Cell(1, row - 1));
  });
}

void TForm5::Down1Click() {
  const int row = StringGrid1->Row();
  if (row >= kMaxFolderSlots) return;
  EditSlots([&](framework::IniEdit& settings) {
    const std::string below = Cell(1, row + 1), belowSpan = Cell(2, row + 1), span = Cell(2, row);
    SetCell(1, row + 1, Cell(1, row));
    SetCell(2, row + 1, span);
    SetCell(1, row, below);
    SetCell(2, row, belowSpan);
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
    for (int i = row; i <= count; ++i) {
      SetCell(1, i, Cell(1, i + 1));
      SetCell(2, i, Cell(2, i + 1));
    }
    ShowCurrentSlot();
    for (int n = 1; n <= count; ++n) {
      settings.WriteString(kDirectoryBuf, PathMemoryKey(n), Cell(1, n));
      WriteSlotSpan(settings, n, Cell(1, n), ParseTimeSpan(Cell(2, n)));
    }
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
      const std::string folder = settings.ReadString(kDirectoryBuf, PathMemoryKey(n), "");
      SetCell(1, n, folder);
      const std::optional<TimeSpan> span = ReadSlotSpan(settings, n, folder);
      SetCell(2, n, span ? FormatTimeSpan(*span) : std::string());
      SetCell(0, n, SlotLabel(n));
    }
  }
  // Each folder kept with its span (a duplicate's own span when the first
  // has none).
  std::vector<std::pair<std::string, std::optional<TimeSpan>>> kept;
  for (int n = 1; n <= kMaxFolderSlots; ++n) {
    const std::string folder = Cell(1, n);
    if (folder.empty()) continue;
    const std::optional<TimeSpan> span = ParseTimeSpan(Cell(2, n));
    auto same = [&folder](const auto& k) { return framework::SameTextNoCase(k.first, folder); };
    if (CheckBox1->Checked()) {
      if (auto it = std::find_if(kept.begin(), kept.end(), same); it != kept.end()) {
        if (!it->second) it->second = span;
        continue;
      }
    }
    kept.emplace_back(folder, span);
  }
  if (complete) settings.EraseSection(kDirectoryBuf);
  const int count = static_cast<int>(kept.size());
  for (int j = 1; j <= count; ++j) {
    settings.WriteString(kDirectoryBuf, PathMemoryKey(j), kept[j - 1].first);
    WriteSlotSpan(settings, j, kept[j - 1].first, kept[j - 1].second);
  }
  // Stored before anything else follows: the slot count and the table change
  // only once the file has taken the list.
  settings.Commit();
  Events.setSlotCount(count);
  for (int n = 1; n <= count; ++n) {
    SetCell(1, n, kept[n - 1].first);
    SetCell(2, n, kept[n - 1].second ? FormatTimeSpan(*kept[n - 1].second) : std::string());
  }
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
  StringGrid1->SetCells(column, row, row != 0 ? slots_.Cell(column, row) : text);
  // Another folder drops the span of the one before.
  if (row != 0 && column == 1) StringGrid1->SetCells(2, row, slots_.Cell(2, row));
}

void TForm5::Span1Click() {
  const int row = StringGrid1->Row();
  if (row < 1 || Cell(1, row).empty()) return;
  std::string text = Cell(2, row);
  // Refused text is asked for again, as typed, until it reads or the user
  // gives up.
  for (;;) {
    const std::optional<std::string> typed = AskSpan(text);
    if (!typed || SetSlotSpan(row, *typed)) return;
    text = *typed;
  }
}

void TForm5::SpanClear1Click() { SetSlotSpan(StringGrid1->Row(), ""); }

bool TForm5::SetSlotSpan(int row, const std::string& text) {
  if (row < 1 || row > kMaxFolderSlots || Cell(1, row).empty()) return false;
  const size_t first = text.find_first_not_of(' '), last = text.find_last_not_of(' ');
  const std::string trimmed = first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
  const std::optional<TimeSpan> span = ParseTimeSpan(trimmed);
  if (!trimmed.empty() && !span) {
    framework::Application::Instance().MessageBox(framework::FormatText(kSpanRefusedText, {trimmed}),
                                                  kSpanRefusedCaption, MB_OK | MB_ICONWARNING);
    return false;
  }
  EditSlots([&](framework::IniEdit& settings) {
    SetCell(2, row, span ? FormatTimeSpan(*span) : std::string());
    WriteSlotSpan(settings, row, Cell(1, row), span);
  });
  if (Events.spansChanged) Events.spansChanged();
  return true;
}

void TForm5::ShowSlots() {
  for (int n = 1; n <= kMaxFolderSlots; ++n)
    for (int column = 0; column < 3; ++column)
      if (StringGrid1->Cells(column, n) != slots_.Cell(column, n)) StringGrid1->SetCells(column, n, slots_.Cell(column, n));
}

}  // namespace kaleidon
