// Automatic registration from the main window: the folders below the current
// one that hold a picture fill the next free slots of the folder list.
#include <windows.h>

#include "core/options.h"
#include "framework/base/exception.h"
#include "framework/base/scopeguard.h"
#include "framework/base/text.h"
#include "framework/gui/application.h"
#include "framework/imaging/graphics.h"
#include "selection/autoregister.h"
#include "ui/folderlistform.h"
#include "ui/mainform.h"
#include "ui/optionsform.h"

namespace kaleidon {

namespace {

constexpr const char* kSlotsFullCaption = "正義の自動登録";
constexpr const char* kSlotsFullText =
    "むむっ！正義のフォルダ記憶が200個で満杯になってしまった！\r"
    "画像のある正義のフォルダのうち %s 個は登録できなかったぞ。\r"
    "フォルダリストで不要なフォルダを削除してから、もう一度自動登録するのだ！";

// The mask of the first entry of a filter text "description|mask|...".
std::string FirstFilterMask(const std::string& filter) {
  const size_t start = filter.find('|');
  if (start == std::string::npos) return "*.*";
  const size_t end = filter.find('|', start + 1);
  return filter.substr(start + 1, end == std::string::npos ? std::string::npos : end - start - 1);
}

// A file list keeps a new mask even when its folder cannot be read just now.
void SetListMask(framework::FileListBox& list, const std::string& mask) {
  try {
    list.SetMask(mask);
  } catch (const framework::Exception&) {
  }
}

}  // namespace

void TForm1::Button12Click() {
  const ProgramOptions options = CurrentOptions();
  // With archives asked for, what the main file list shows; otherwise every
  // picture format known now, plug-in formats included. The file-type box
  // keeps the user's choice either way.
  const std::string mask =
      options.autoFind ? FilterComboBox1->Mask() : FirstFilterMask(framework::Picture::GraphicFilter());
  FolderRegistration registration;
  {
    // A large tree takes a while: the hourglass shows until the list is
    // compacted, and the scratch list gets its own mask back (it also
    // empties Temp at the end of the run).
    HCURSOR previousCursor = ::SetCursor(LoadCursorW(nullptr, IDC_WAIT));
    const std::string scratchMask = FileListBox1->Mask();
    auto restore = framework::ScopeExit([&] {
      SetListMask(*FileListBox1, scratchMask);
      ::SetCursor(previousCursor);
    });
    SetListMask(*FileListBox1, mask);

    std::vector<std::string> folders;
    CollectEntries(dlb1->Directory(), kEveryFolderBelow, folders);
    auto holdsPicture = [this](const std::string& folder) {
      try {
        FileListBox1->SetDirectory(folder);
      } catch (const framework::Exception&) {
        return false;  // unreadable: nothing to register
      }
      return FileListBox1->Count() > 0;
    };
    // The folders found and the compacted list are stored together.
    FolderList->RegisterAndOptimize([&](SlotTable& table, framework::IniEdit& settings) {
      registration = RegisterPictureFolders(table, settings, folders, options.slotCount, holdsPicture);
    });
  }
  if (registration.leftOut > 0) {
    framework::Application::Instance().MessageBox(
        framework::FormatText(kSlotsFullText, {std::to_string(registration.leftOut)}), kSlotsFullCaption,
        MB_OK | MB_ICONINFORMATION);
  }
}

}  // namespace kaleidon
