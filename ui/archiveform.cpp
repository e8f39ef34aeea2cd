#include "ui/archiveform.h"

#include <limits>

#include "archive/membername.h"
#include "archive/unlha32.h"
#include "framework/base/paths.h"
#include "framework/base/text.h"
#include "framework/gui/application.h"
#include "framework/gui/layout.h"
#include "selection/randomfile.h"
#include "ui/settingsfile.h"

namespace kaleidon {

using framework::Application;

namespace {

// What the window shows.
constexpr const char* kCaption = "ｱｰｶｲﾌﾞﾌｧｲﾙ";
constexpr const char* kButton1Caption = "解凍";
constexpr const char* kSaveTitle = "解凍";
constexpr const char* kButton2Caption = "全て解凍";
constexpr const char* kButton3Caption = "壁紙にする";
constexpr const char* kButton4Caption = "閉じる";
constexpr const char* kCheckBox1Caption = "画像ﾌｧｲﾙ";
constexpr const char* kAllFilesName = "全てのﾌｧｲﾙ";  // the name offered for every entry
constexpr const char* kSaveFilter = "All Files (*.*)|*.*";

constexpr const char* kUnsafeEntryCaption = "悪のファイル名エラー";
constexpr const char* kUnsafeEntryText = "ぬおっ！圧縮ファイルの中に怪しい名前のファイルが潜んでいたぞ\r";
constexpr const char* kUnsafeEntryTextEnd =
    "\r正義のフォルダの外に出ようとする悪の名前だ。正義の名にかけて解凍はしないでおくぞ！";

// An entry name as a message can show it: control characters as '?'.
std::string Printable(std::string name) {
  for (char& c : name)
    if (static_cast<unsigned char>(c) < 0x20) c = '?';
  return name;
}

// Entry names are the archive's, not the user's: one that could leave its
// quotation marks on the library's command line or the folder it is
// extracted to is refused with a message, before the library sees it.
bool AcceptedEntry(const std::string& entry) {
  if (IsSafeMemberName(entry)) return true;
  Application::Instance().MessageBox(kUnsafeEntryText + Printable(entry) + kUnsafeEntryTextEnd, kUnsafeEntryCaption,
                                     MB_OK | MB_ICONWARNING);
  return false;
}

}  // namespace

std::vector<std::string> FilterPictureEntries(const std::vector<std::string>& entries, const std::string& mask) {
  const std::vector<std::string> patterns = SplitMaskPatterns(mask);
  std::vector<std::string> kept;
  for (const std::string& entry : entries) {
    const std::string name = MemberFileName(entry);
    const size_t dot = name.find_last_of('.');
    const std::string test = "*" + (dot == std::string::npos ? std::string() : name.substr(dot));
    for (const std::string& pattern : patterns)
      if (!pattern.empty() && framework::SameTextNoCase(pattern, test)) kept.push_back(entry);
  }
  return kept;
}

TForm6::TForm6(ArchiveDialogValues values)
    : Form(framework::FormStyle::FixedDialog("TForm6", kCaption, 386, 166)), values_(std::move(values)) {
  framework::CreateControls(*this, {
      {&ListBox1, 1, 5, 306, 156},
      {&Button1, 310, 5, 75, 31, kButton1Caption},
      {&Button2, 310, 38, 75, 31, kButton2Caption},
      {&Button3, 310, 71, 75, 31, kButton3Caption},
      {&Button4, 310, 104, 75, 31, kButton4Caption},
      {&CheckBox1, 312, 142, 72, 17, kCheckBox1Caption},
  });
  ListBox1->SetAccessibleName(kCaption);
  SaveDialog1.SetTitle(kSaveTitle);
  SaveDialog1.SetFilter(kSaveFilter);
  Button1->OnClick = [this] { Button1Click(); };
  Button2->OnClick = [this] { Button2Click(); };
  Button3->OnClick = [this] { Button3Click(); };
  Button4->OnClick = [this] { Button4Click(); };
  CheckBox1->OnClick = [this] { CheckBox1Click(); };
  OnShow = [this] { FormActivate(); };
}

void TForm6::FillEntryList() {
  ListBox1->Clear();
  ListBox1->BeginUpdate();
  // Without the library the enumeration ends at its first report.
  ListBox1->SetItems(ListArchiveEntries(ArchiveFileName, std::numeric_limits<size_t>::max()));
  ListBox1->EndUpdate();
}

// Once, as the dialog comes up: a later return to it (from the save dialog
// or another program) keeps the list, its filter and its selection.
void TForm6::FormActivate() { FillEntryList(); }

bool TForm6::ChooseTargetFolder(const std::string& offeredName, std::string& folder) {
  SaveDialog1.SetFileName(offeredName);
  if (!SaveDialog1.Execute(Handle())) return false;
  folder = framework::ExtractFilePath(SaveDialog1.FileName());
  return true;
}

void TForm6::Button1Click() {
  const int row = ListBox1->ItemIndex();
  if (row < 0) return;
  const std::string entry = ListBox1->Item(row);
  std::string folder;
  if (!AcceptedEntry(entry) || !ChooseTargetFolder(entry, folder)) return;
  // What the library reports is its own business; the files are the result.
  ExtractArchiveMember(Handle(), ArchiveFileName, folder, MemberFileName(entry), false);
}

void TForm6::Button2Click() {
  std::string folder;
  if (!ChooseTargetFolder(kAllFilesName, folder)) return;
  if (UnlhaLoaded()) {
    for (const std::string& entry : ListArchiveEntries(ArchiveFileName, std::numeric_limits<size_t>::max()))
      if (!AcceptedEntry(entry)) return;
  }
  ExtractArchiveMember(Handle(), ArchiveFileName, folder, "*.*", false);
}

void TForm6::Button3Click() {
  const int row = ListBox1->ItemIndex();
  if (row < 0) return;
  const std::string entry = ListBox1->Item(row);
  if (!AcceptedEntry(entry)) return;
  const std::string name = MemberFileName(entry);
  const std::string programFolder = framework::ProgramFolder();
  Application& app = Application::Instance();
  FileChoice choice{
      .owner = values_.mainWindow, .programFolder = programFolder, .settings = OpenSettings(), .notices = app};
  const PickResult extraction = ExtractToTemp(choice, ArchiveFileName, name);
  if (values_.showExtracted) values_.showExtracted(extraction);
}

void TForm6::Button4Click() {
  ListBox1->Clear();
  Close();
}

void TForm6::CheckBox1Click() {
  if (!CheckBox1->Checked()) {
    FillEntryList();
    return;
  }
  std::vector<std::string> shown = ListBox1->Items();
  ListBox1->Clear();
  ListBox1->SetItems(FilterPictureEntries(shown, values_.pictureMask));
}

void ShowArchiveDialog(const std::string& archive, const ArchiveDialogValues& values) {
  TForm6 dialog(values);
  dialog.ArchiveFileName = archive;
  dialog.ShowModal();
}

}  // namespace kaleidon
