#include "change/changecycle.h"

#include "framework/base/exception.h"
#include "framework/base/paths.h"
#include "framework/base/scopeguard.h"
#include "selection/rotation.h"

namespace kaleidon {

namespace {

constexpr const char* kNoPictureCaption = "悪のエラー";
constexpr const char* kNoPictureText =
    "はわぁ！読み込む正義の画像がないぞ！\r"
    "指定した正義のフォルダに読み込める\r"
    "正義の画像ファイルがない。何とかしてくれ";
constexpr const char* kWriteErrorCaption = "悪のエラー";

}  // namespace

ChangeCycle::ChangeCycle(ChangeCycleHost& host, framework::Notices& notices, framework::IniFile settings)
    : host_(host), notices_(notices), settings_(std::move(settings)) {}

FileChoice ChangeCycle::Choice(const ProgramOptions& options) const {
  return FileChoice{.folder = host_.ListedFolder(),
                    .names = host_.ListedNames(),
                    .mask = host_.ListedMask(),
                    .currentSlot = host_.CurrentSlot(),
                    .loopCounter = options.loopCounter,
                    .owner = host_.Owner(),
                    .programFolder = framework::ProgramFolder(),
                    .selectRow = [this](int row) { host_.SelectListRow(row); },
                    .settings = settings_,
                    .notices = notices_};
}

void ChangeCycle::TakeExtracted(const PickResult& pick) {
  if (pick.extracted) MeltFile = TMeltFile{pick.path, true};
}

void ChangeCycle::ReportEmptyList() {
  host_.ShowBusy(false);
  notices_.Notify({kNoPictureText, kNoPictureCaption, MB_OK | MB_ICONWARNING});
}

void ChangeCycle::ChangeWallpaper(const ProgramOptions& options, bool apply) {
  ChangeBusy = true;
  host_.ShowBusy(true);
  // Every way out, a failure included, ends the change.
  auto end = framework::ScopeExit([this] {
    host_.ShowBusy(false);
    ChangeBusy = false;
  });
  try {
    if (host_.SlotsInUse()) {
      FolderMemory memory = host_.Memory(options.slotCount);
      RotateFolder(memory);
    }
    FileChoice choice = Choice(options);
    if (choice.names.empty()) return ReportEmptyList();
    PickResult pick = PickRandomFile(choice);
    TakeExtracted(pick);
    const bool pictureGone = pick.kind == PickResult::Kind::Picture && !framework::FileExists(pick.path);
    if (pictureGone || pick.kind == PickResult::Kind::MemberRefused) {
      // The file went away after the list was read, or the archive member
      // drawn cannot be used: read the list again and draw once more; an
      // emptied folder ends the change like an empty one.
      host_.RereadList();
      FileChoice again = Choice(options);
      if (again.names.empty()) return ReportEmptyList();
      pick = PickRandomFile(again);
      TakeExtracted(pick);
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
    host_.ShowBusy(false);
    if (MeltFile.Extracted) {
      // The extracted picture lives only for the change that used it.
      if (framework::FileExists(MeltFile.FileName)) framework::ForceDeleteFile(MeltFile.FileName);
      MeltFile = TMeltFile{};
    }
  } catch (const framework::EWriteRefused& e) {
    // A picture folder that takes no history (a protected folder, a CD, a
    // read-only _Buf.RFB) would otherwise never change the wallpaper without
    // a word.
    host_.ShowBusy(false);
    notices_.Notify({e.Message(), kWriteErrorCaption, MB_OK | MB_ICONERROR});
  } catch (...) {
    // Whatever else went wrong ends this change quietly; the next one starts anew.
  }
}

void ChangeCycle::ShowPicture(const std::string& picture, bool apply, const WallpaperOptions& options) {
  SetWallpaper(PrepareWallpaperBitmap(picture, options, CurrentScreen(), notices_), apply, options);
  host_.ShowFileName(framework::ExtractFileName(picture));
}

}  // namespace kaleidon
