#pragma once
// The archive dialog: the entries of one LZH archive, extracted one or all
// into a folder the user chooses, or one made the wallpaper at once. Made
// for each archive chosen by hand, shown modally and released.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "core/wallpaper.h"
#include "framework/gui/dialogs.h"
#include "framework/gui/forms.h"
#include "framework/gui/listctrls.h"
#include "framework/gui/stdctrls.h"
#include "selection/randomfile.h"

namespace kaleidon {

// What the dialog takes from the main window when it opens.
struct ArchiveDialogValues {
  std::string pictureMask;    // the chosen file type's patterns: what CheckBox1 keeps
  HWND mainWindow = nullptr;  // owner of the extraction into Temp
  // Makes a member extracted into Temp the wallpaper as every other is made:
  // on the primary monitor, named, in the back list, its archive and member
  // known for never-again; the next change deletes the file.
  std::function<void(const PickResult& extracted)> showExtracted;
};

class TForm6 : public framework::Form {
 public:
  explicit TForm6(ArchiveDialogValues values);

  framework::ListBox* ListBox1;    // the archive's entries, as the library names them
  framework::Button* Button1;      // "解凍": the chosen entry into a folder
  framework::Button* Button2;      // "全て解凍": every entry into a folder
  framework::Button* Button3;      // "壁紙にする": the chosen entry as the wallpaper
  framework::Button* Button4;      // "閉じる"
  framework::CheckBox* CheckBox1;  // "画像ﾌｧｲﾙ": only entries of the chosen file type
  framework::SaveDialog SaveDialog1;  // where to extract to

  // The archive's full path; set before the dialog is shown.
  std::string ArchiveFileName;

  void FillEntryList();
  void FormActivate();
  void Button1Click();
  void Button2Click();
  void Button3Click();
  void Button4Click();
  void CheckBox1Click();

 private:
  // The folder part of the name chosen in the save dialog, or nothing when
  // the user cancelled.
  bool ChooseTargetFolder(const std::string& offeredName, std::string& folder);
  ArchiveDialogValues values_;
};

// The entries whose extension is one of the mask's patterns: "*" and the
// extension of the entry's file name (from its last '.'; "*" alone when it
// has none) compared without regard to case with each of the first 31
// patterns; empty patterns are passed over. An entry stands once for every
// pattern it equals, in list order.
std::vector<std::string> FilterPictureEntries(const std::vector<std::string>& entries, const std::string& mask);

// A fresh dialog for the archive, shown modally and released when closed.
void ShowArchiveDialog(const std::string& archive, const ArchiveDialogValues& values);

}  // namespace kaleidon
