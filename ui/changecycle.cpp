// The change cycle of the main window: one random wallpaper change, and the
// folder memory and the choice by hand that work on the same controls.
#include "core/options.h"
#include "core/wallpaper.h"
#include "framework/gui/application.h"
#include "framework/base/exception.h"
#include "framework/base/paths.h"
#include "framework/base/scopeguard.h"
#include "framework/base/text.h"
#include "selection/randomfile.h"
#include "selection/rotation.h"
#include "ui/foldercontrols.h"
#include "ui/folderlistform.h"
#include "ui/mainform.h"
#include "ui/optionsform.h"

namespace kaleidon {

using framework::Application;

namespace {

constexpr const char* kNoPictureText =
    "はわぁ！読み込む正義の画像がないぞ！\r"
    "指定した正義のフォルダに読み込める\r"
    "正義の画像ファイルがない。何とかしてくれ";
constexpr const char* kNothingSelectedText =
    "正義のファイルが選択されていないぞ\r"
    "正義のファイルを選択してからもう一度ボタンを押すのだ！";
constexpr const char* kFileMissingText =
    "はぐぁ！指定した正義のファイルが存在しない････\r"
    "別の正義のフォルダに移動されたか、闇の削除をされた可能性がある\r"
    "正義の手刀でファイルリストを最新のものに更新するぞ！";
constexpr const char* kWriteErrorCaption = "悪のエラー";

}  // namespace

FolderMemory TForm1::Memory(int slotCount) {
  if (!folderControls_) folderControls_ = std::make_unique<FolderControls>(*this);
  return FolderMemory{*FolderList, *folderControls_, slotCount};
}

void TForm1::Button6Click() {
  FolderMemory memory = Memory(Options->Values().slotCount);
  RememberFolder(memory);
}

void TForm1::Button8Click() {
  FolderMemory memory = Memory(Options->Values().slotCount);
  RecallFolder(memory);
}

void TForm1::OpenFolder(const std::string& folder) {
  dlb1->SetDirectory(folder);
  if (char drive = framework::DriveLetter(dlb1->Directory())) dcb1->SetDrive(drive);
}

void TForm1::SpinEdit1Change() {
  if (!FolderList || !Options) return;  // the windows are still being made
  FolderMemory memory = Memory(Options->Values().slotCount);
  ChangeFolderSlot(memory);
}

void TForm1::SlotTableFilled(int slotCount) {
  if (slotCount <= 0) return;
  FolderMemory memory = Memory(slotCount);
  ChangeFolderSlot(memory);
}

void TForm1::ShowPicture(const std::string& picture, bool apply, const WallpaperOptions& options) {
  SetWallpaper(PrepareWallpaperBitmap(picture, options, CurrentScreen()), apply, options);
  Label7->SetText(framework::ExtractFileName(picture));
}

void TForm1::ChangeWallpaper(bool apply) {
  ChangeBusy = true;
  const ProgramOptions options = Options->Values();  // read once for the whole change
  Button3->SetCursor(LoadCursorW(nullptr, IDC_WAIT));
  Button3->Repaint();
  auto normalCursor = [this] {
    Button3->SetCursor(nullptr);
    Button3->Repaint();
  };
  // Every way out, a failure included, ends the change.
  auto end = framework::ScopeExit([&] {
    normalCursor();
    ChangeBusy = false;
  });
  auto reportEmptyList = [&] {
    normalCursor();
    Application::Instance().MessageBox(kNoPictureText, "悪のエラー", MB_OK | MB_ICONWARNING);
  };
  auto draw = [&] {
    FileChoice choice{FileListBox2->Directory(),
                      FileListBox2->Items(),
                      FileListBox2->Mask(),
                      SpinEdit1->Value(),
                      options.loopCounter,
                      Handle(),
                      framework::ProgramFolder(),
                      [this](int row) { FileListBox2->SetItemIndex(row); },
                      MeltFile};
    return PickRandomFile(choice);
  };
  try {
    if (SpinEdit1->Enabled()) {
      FolderMemory memory = Memory(options.slotCount);
      RotateFolder(memory);
    }
    if (FileListBox2->Count() == 0) return reportEmptyList();
    PickResult pick = draw();
    const bool pictureGone = pick.kind == PickResult::Kind::Picture && !framework::FileExists(pick.path);
    if (pictureGone || pick.kind == PickResult::Kind::MemberRefused) {
      // The file went away after the list was read, or the archive member
      // drawn cannot be used: read the list again and draw once more; an
      // emptied folder ends the change like an empty one.
      FileListBox2->Update();
      if (FileListBox2->Count() == 0) return reportEmptyList();
      pick = draw();
    }
    switch (pick.kind) {
      case PickResult::Kind::ArchiveUsedUp:
        // No new wallpaper; the archive is passed over until its folder's
        // pass ends.
        MarkArchiveShown(pick.path);
        return;
      case PickResult::Kind::MemberRefused:
        return;  // refused twice: no new wallpaper this time
      case PickResult::Kind::Picture:
        break;
    }
    ShowPicture(pick.path, apply, options.Wallpaper());
    normalCursor();
    if (MeltFile.Extracted) {
      if (framework::FileExists(MeltFile.FileName)) framework::ForceDeleteFile(MeltFile.FileName);
      MeltFile = TMeltFile{};
    }
  } catch (const framework::EWriteRefused& e) {
    // A picture folder that takes no history (a protected folder, a CD, a
    // read-only _Buf.RFB) would otherwise never change the wallpaper without
    // a word.
    normalCursor();
    Application::Instance().MessageBox(e.Message(), kWriteErrorCaption, MB_OK | MB_ICONERROR);
  } catch (...) {
    // Whatever else went wrong ends this change quietly; the next one starts anew.
  }
}

void TForm1::Button1Click() {
  Button1->SetCursor(LoadCursorW(nullptr, IDC_WAIT));
  Button1->Repaint();
  auto restoreCursor = framework::ScopeExit([this] { Button1->SetCursor(nullptr); });
  int row = FileListBox2->ItemIndex();
  if (row < 0) {
    Application::Instance().MessageBox(kNothingSelectedText, "悪のエラー", MB_OK | MB_ICONWARNING);
    return;
  }
  std::string path = framework::JoinPath(FileListBox2->Directory(), FileListBox2->Items()[row]);
  if (framework::AsciiLower(framework::ExtractFileExt(path)) == ".lzh") {
    // The archive dialog takes archives chosen by hand.
    if (OnArchiveChosen) OnArchiveChosen(path);
    return;
  }
  if (framework::FileExists(path)) {
    ShowPicture(path, true, Options->Values().Wallpaper());
  } else {
    Application::Instance().MessageBox(kFileMissingText, "闇のエラー", MB_OK | MB_ICONWARNING);
    FileListBox2->Update();
  }
}

}  // namespace kaleidon
