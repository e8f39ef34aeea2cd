#include "framework/gui/filectrls.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <cctype>

#include "framework/base/filemask.h"
#include "framework/base/folderfiles.h"
#include "framework/base/paths.h"
#include "framework/base/scopeguard.h"
#include "framework/base/shellcalls.h"
#include "framework/base/text.h"
#include "framework/gui/application.h"
#include "framework/gui/shellicons.h"

namespace framework {

namespace {

constexpr char kDefaultFilter[] = "すべてのﾌｧｲﾙ (*.*)|*.*";

std::wstring UpperCase(std::wstring s) {
  if (!s.empty()) CharUpperBuffW(s.data(), static_cast<DWORD>(s.size()));
  return s;
}

bool IsDriveRoot(std::string_view path) {
  return path.size() == 3 && path[1] == ':' && path[2] == '\\' && std::isalpha(static_cast<unsigned char>(path[0]));
}

bool IsAbsolute(std::string_view path) {
  if (path.size() >= 3 && path[1] == ':' && (path[2] == '\\' || path[2] == '/')) return true;
  if (path.size() >= 2 && (path[0] == '\\' || path[0] == '/') && (path[1] == '\\' || path[1] == '/')) return true;
  return false;
}

// The full form of a folder path: "." and ".." resolved, "/" turned into
// "\", the drive letter in upper case, no trailing "\" except at a drive
// root. A relative path is taken from base.
std::string NormalizeFolder(const std::string& path, const std::string& base) {
  if (path.empty()) throw Exception("フォルダが指定されていません");
  std::string combined = path;
  if (combined.size() == 2 && combined[1] == ':') {
    combined += '\\';
  } else if (!IsAbsolute(combined) && !base.empty() && combined[0] != '\\' && combined[0] != '/') {
    combined = JoinPath(base, combined);
  }
  std::wstring wide = Widen(combined);
  DWORD needed = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (needed == 0) throw Exception(FormatText("フォルダ %s を開けません", {path}));
  std::wstring full(needed, L'\0');
  DWORD written = GetFullPathNameW(wide.c_str(), needed, full.data(), nullptr);
  if (written == 0 || written >= needed) throw Exception(FormatText("フォルダ %s を開けません", {path}));
  full.resize(written);
  std::string result = Narrow(full);
  if (result.size() >= 2 && result[1] == ':') result[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(result[0])));
  while (result.size() > 1 && result.back() == '\\' && !IsDriveRoot(result)) {
    // A UNC share root keeps no trailing "\" either; "\\" alone is not a folder.
    if (result.size() == 2) break;
    result.pop_back();
  }
  return result;
}

[[noreturn]] void RaiseCannotOpen(const std::string& folder) { RaiseCannotOpenFolder(folder); }

using shellicons::IconIndex;
using shellicons::kIconPending;

int FolderIcon(bool open, HWND window) { return IconIndex(shellicons::FolderIcon(open), window); }

// Draws nothing for an icon still looked up: the line is painted again
// when it is there.
void DrawSystemIcon(HDC dc, int index, int x, int y) {
  HIMAGELIST images = shellicons::Images();
  if (images && index >= 0) ImageList_Draw(images, index, dc, x, y, ILD_TRANSPARENT);
}

// The size of the system's small icons: 16 pixels at 96 DPI, more on a
// screen of higher DPI. Told by the system metrics until the image list is
// loaded, which happens when the first icon is drawn.
int SystemIconSize() {
  int width = 0, height = 0;
  HIMAGELIST images = shellicons::Images();
  if (images && ImageList_GetIconSize(images, &width, &height) && height > 0) return height;
  return GetSystemMetrics(SM_CYSMICON);
}

// "C:\" for 'C'.
std::wstring DriveRoot(char letter) { return {static_cast<wchar_t>(letter), L':', L'\\'}; }

// A drive's icon, the closed folder's where the shell has none.
int DriveIcon(const wchar_t* root, UINT type, HWND window) {
  const int icon = IconIndex(shellicons::DriveIcon(root, type), window);
  return icon == -1 ? FolderIcon(false, window) : icon;
}

int LineHeightWithIcon(HFONT font) {
  return std::max<int>(SystemIconSize(), FontLineHeight(font)) + 1;
}

void DrawTextAt(HDC dc, const std::string& text, RECT rect) {
  std::wstring w = Widen(text);
  DrawTextW(dc, w.c_str(), static_cast<int>(w.size()), &rect, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
}

}  // namespace

bool MatchesMask(std::string_view mask, std::string_view fileName) {
  return FileMask(UpperCase(Widen(mask))).Matches(UpperCase(Widen(fileName)));
}

// ---- DriveComboBox -------------------------------------------------------------------

DriveComboBox::DriveComboBox(Form* owner, std::string name)
    : ComboBox(owner, std::move(name), CBS_OWNERDRAWFIXED | CBS_HASSTRINGS) {
  UpdateItemHeight();
  std::string folder = ProgramFolder();
  if (!folder.empty() && folder.size() >= 2 && folder[1] == ':')
    drive_ = static_cast<char>(std::toupper(static_cast<unsigned char>(folder[0])));
  Refresh();
}

void DriveComboBox::UpdateItemHeight() {
  int height = LineHeightWithIcon(FontObject());
  SendMessageW(Handle(), CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), height);
  SendMessageW(Handle(), CB_SETITEMHEIGHT, 0, height);
}

void DriveComboBox::SetFont(const Font& font) {
  ComboBox::SetFont(font);
  UpdateItemHeight();
}

unsigned DriveComboBox::TypeOf(DriveItem& item) {
  if (item.type == kTypeNotYet) item.type = GetDriveTypeW(DriveRoot(item.letter).c_str());
  return item.type;
}

int DriveComboBox::FindDrive(char letter) const {
  for (size_t i = 0; i < drives_.size(); ++i)
    if (drives_[i].letter == letter) return static_cast<int>(i);
  return -1;
}

void DriveComboBox::Refresh() {
  char keep = drive_;
  drives_.clear();
  Clear();
  DWORD mask = GetLogicalDrives();
  for (int i = 0; i < 26; ++i) {
    if (!(mask & (1u << i))) continue;
    DriveItem item;
    item.letter = static_cast<char>('A' + i);
    item.type = kTypeNotYet;
    item.text = std::string(1, static_cast<char>('a' + i)) + ":";
    item.icon = kIconNotYet;
    item.labelRead = false;
    drives_.push_back(item);
    AddItem(item.text);
  }
  int index = FindDrive(keep);
  if (index >= 0) {
    ReadLabel(index);
    ComboBox::SetItemIndex(index);
    drive_ = keep;
  } else {
    ComboBox::SetItemIndex(-1);
    drive_ = '\0';
  }
}

void DriveComboBox::ReadLabel(int index) {
  DriveItem& item = drives_[static_cast<size_t>(index)];
  if (item.labelRead) return;
  item.labelRead = true;
  // Labels only where reading them cannot wait for a disc or a network.
  const unsigned type = TypeOf(item);
  if (type != DRIVE_FIXED && type != DRIVE_RAMDISK) return;
  QuietErrors quiet;
  wchar_t label[MAX_PATH + 1] = {};
  if (!GetVolumeInformationW(DriveRoot(item.letter).c_str(), label, MAX_PATH + 1, nullptr, nullptr, nullptr, nullptr,
                             0) ||
      !label[0])
    return;
  item.text += " [" + Narrow(label) + "]";
  // The line takes the new text in its place, still chosen if it was.
  const bool chosen = ItemIndex() == index;
  SendMessageW(Handle(), CB_DELETESTRING, static_cast<WPARAM>(index), 0);
  SendMessageW(Handle(), CB_INSERTSTRING, static_cast<WPARAM>(index),
               reinterpret_cast<LPARAM>(Widen(item.text).c_str()));
  if (chosen) ComboBox::SetItemIndex(index);
}

void DriveComboBox::ReadAllLabels() {
  for (int i = 0; i < static_cast<int>(drives_.size()); ++i) ReadLabel(i);
}

void DriveComboBox::HandleCommand(int code) {
  if (code == CBN_DROPDOWN) ReadAllLabels();
  ComboBox::HandleCommand(code);
}

void DriveComboBox::SetDrive(char letter) {
  letter = static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
  int index = FindDrive(letter);
  if (index < 0) {
    Refresh();
    index = FindDrive(letter);
  }
  if (index < 0) throw Exception(FormatText("ドライブ %s: がありません", {std::string(1, letter)}));
  ReadLabel(index);
  if (letter == drive_ && ItemIndex() == index) return;
  ComboBox::SetItemIndex(index);
  drive_ = letter;
  Fire(OnChange);
}

void DriveComboBox::UserChanged() {
  int index = ItemIndex();
  if (index < 0 || index >= static_cast<int>(drives_.size())) return;
  ReadLabel(index);
  char letter = drives_[static_cast<size_t>(index)].letter;
  if (letter == drive_) return;
  drive_ = letter;
  Fire(OnChange);
}

bool DriveComboBox::HandleMeasureItem(MEASUREITEMSTRUCT* item) {
  item->itemHeight = static_cast<UINT>(LineHeightWithIcon(FontObject()));
  return true;
}

bool DriveComboBox::HandleDrawItem(DRAWITEMSTRUCT* item) {
  if (item->CtlType != ODT_COMBOBOX) return false;
  HDC dc = item->hDC;
  RECT rect = item->rcItem;
  bool selected = (item->itemState & ODS_SELECTED) != 0;
  bool enabled = !(item->itemState & ODS_DISABLED);
  FillRect(dc, &rect, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
  int index = static_cast<int>(item->itemID);
  if (index >= 0 && index < static_cast<int>(drives_.size())) {
    DriveItem& drive = drives_[static_cast<size_t>(index)];
    if (drive.icon == kIconNotYet || drive.icon == kIconPending)
      drive.icon = DriveIcon(DriveRoot(drive.letter).c_str(), TypeOf(drive), Handle());
    const int icon = SystemIconSize();
    int top = rect.top + (rect.bottom - rect.top - icon) / 2;
    DrawSystemIcon(dc, drive.icon, rect.left + Scale(2), top);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(!enabled ? COLOR_GRAYTEXT : selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    HGDIOBJ old = SelectObject(dc, FontObject());
    RECT text = rect;
    text.left += icon + Scale(6);
    DrawTextAt(dc, drive.text, text);
    SelectObject(dc, old);
  }
  if ((item->itemState & ODS_FOCUS) && !(item->itemState & ODS_NOFOCUSRECT)) DrawFocusRect(dc, &rect);
  return true;
}

// ---- DirectoryListBox --------------------------------------------------------------------

DirectoryListBox::DirectoryListBox(Form* owner, std::string name) : ListBox(owner, std::move(name)) {
  UpdateItemHeight();
}

int DirectoryListBox::MeasureItemHeight() { return LineHeightWithIcon(FontObject()); }

char DirectoryListBox::Drive() const {
  if (directory_.size() >= 2 && directory_[1] == ':')
    return static_cast<char>(std::toupper(static_cast<unsigned char>(directory_[0])));
  return '\0';
}

std::string DirectoryListBox::PathOfItem(int index) const {
  if (index < 0 || index >= static_cast<int>(lines_.size())) return {};
  return lines_[static_cast<size_t>(index)].path;
}

namespace {

std::vector<std::string> ReadSubfolders(const std::string& folder) {
  std::vector<std::wstring> names;
  DWORD error = EnumerateFolder(folder, true, [&](const WIN32_FIND_DATAW& fd) {
    DWORD a = fd.dwFileAttributes;
    if (!(a & FILE_ATTRIBUTE_DIRECTORY)) return;
    // Hidden and system folders are the system's business, not a picture folder.
    if (a & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) return;
    names.emplace_back(fd.cFileName);
  });
  if (error) RaiseCannotOpen(folder);
  return SortForDisplay(std::move(names));
}

// The root of a full folder path ("C:\" or "\\server\share") and the names
// of the folders below it, in order.
void SplitFolder(const std::string& path, std::string& root, std::vector<std::string>& parts) {
  size_t start;
  if (path.size() >= 2 && path[1] == ':') {
    root = path.substr(0, 2) + "\\";
    start = 3;
  } else if (path.size() >= 2 && path[0] == '\\' && path[1] == '\\') {
    size_t server = path.find('\\', 2);
    size_t share = server == std::string::npos ? std::string::npos : path.find('\\', server + 1);
    root = path.substr(0, share);
    start = share == std::string::npos ? path.size() : share + 1;
  } else {
    root = path;
    start = path.size();
  }
  parts.clear();
  while (start < path.size()) {
    size_t end = path.find('\\', start);
    if (end == std::string::npos) end = path.size();
    if (end > start) parts.push_back(path.substr(start, end - start));
    start = end + 1;
  }
}

}  // namespace

void DirectoryListBox::Build(const std::string& directory, std::vector<std::string> subfolders) {
  std::string root;
  std::vector<std::string> parts;
  SplitFolder(directory, root, parts);
  std::vector<Line> lines;
  std::vector<std::string> texts;
  lines.push_back(Line{root, 0, true});
  texts.push_back(root.size() == 3 ? std::string(1, static_cast<char>(std::tolower(static_cast<unsigned char>(root[0])))) + ":\\"
                                   : root);
  std::string path = root;
  for (size_t i = 0; i < parts.size(); ++i) {
    path = i == 0 && root.size() == 3 ? root + parts[i] : path + "\\" + parts[i];
    lines.push_back(Line{path, static_cast<int>(i) + 1, true});
    texts.push_back(parts[i]);
  }
  int current = static_cast<int>(lines.size()) - 1;
  int subLevel = static_cast<int>(parts.size()) + 1;
  for (std::string& name : subfolders) {
    lines.push_back(Line{JoinPath(directory, name), subLevel, false});
    texts.push_back(std::move(name));
  }
  if (root != driveRoot_) {
    driveRoot_ = root;
    driveIcon_ = kIconNotYet;
  }
  lines_ = std::move(lines);
  SetItems(std::move(texts));
  SetItemIndex(current);
}

void DirectoryListBox::SetDirectory(const std::string& path) {
  std::string target = NormalizeFolder(path, directory_);
  if (!directory_.empty() && SameTextNoCase(target, directory_)) {
    if (!DirectoryExists(directory_)) RaiseCannotOpen(directory_);
    return;
  }
  std::vector<std::string> subfolders = ReadSubfolders(target);
  // The linked list goes first: when it cannot follow, nothing has moved.
  if (fileList_) fileList_->SetDirectory(target);
  Build(target, std::move(subfolders));
  directory_ = target;
  if (char drive = Drive()) lastOnDrive_[drive] = directory_;
  Fire(OnChange);
}

void DirectoryListBox::SetDrive(char letter) {
  letter = static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
  if (letter < 'A' || letter > 'Z') throw Exception(FormatText("ドライブ %s: がありません", {std::string(1, letter)}));
  if (letter == Drive()) return;
  std::string root = std::string(1, letter) + ":\\";
  {
    DWORD error = EnumerateFolder(root, true, [](const WIN32_FIND_DATAW&) {});
    if (error) throw Exception(FormatText("ドライブ %s: の準備ができていません", {std::string(1, letter)}));
  }
  std::string target = root;
  auto last = lastOnDrive_.find(letter);
  if (last != lastOnDrive_.end() && DirectoryExists(last->second)) target = last->second;
  try {
    SetDirectory(target);
  } catch (const Exception&) {
    if (target == root) throw;
    SetDirectory(root);
  }
}

void DirectoryListBox::Update() {
  if (directory_.empty()) return;
  std::vector<std::string> subfolders = ReadSubfolders(directory_);
  int top = TopIndex();
  Build(directory_, std::move(subfolders));
  SetTopIndex(top);
}

void DirectoryListBox::SetFileList(FileListBox* list) {
  fileList_ = list;
  if (fileList_ && !directory_.empty()) fileList_->SetDirectory(directory_);
}

void DirectoryListBox::ItemActivated(int index) {
  std::string path = PathOfItem(index);
  if (path.empty()) return;
  try {
    SetDirectory(path);
  } catch (...) {
    // The highlight goes back to the folder that is still current.
    for (size_t i = 0; i < lines_.size(); ++i)
      if (lines_[i].path == directory_) SetItemIndex(static_cast<int>(i));
    throw;
  }
}

void DirectoryListBox::DrawItem(HDC dc, int index, RECT rect, bool selected) {
  const Line& line = lines_[static_cast<size_t>(index)];
  if (openIcon_ == kIconNotYet || openIcon_ == kIconPending || closedIcon_ == kIconPending) {
    openIcon_ = FolderIcon(true, Handle());
    closedIcon_ = FolderIcon(false, Handle());
  }
  if (driveIcon_ == kIconNotYet || driveIcon_ == kIconPending) {
    const int drive = driveRoot_.size() == 3 ? IconIndex(shellicons::DriveRootIcon(Widen(driveRoot_)), Handle()) : -1;
    driveIcon_ = drive == -1 ? closedIcon_ : drive;
  }
  const int icon = SystemIconSize();
  int x = rect.left + Scale(2 + line.level * 8);
  int top = rect.top + (rect.bottom - rect.top - icon) / 2;
  DrawSystemIcon(dc, index == 0 ? driveIcon_ : line.open ? openIcon_ : closedIcon_, x, top);
  rect.left = x + icon + Scale(4);
  DrawTextAt(dc, items_[static_cast<size_t>(index)], rect);
}

// ---- FileListBox ---------------------------------------------------------------------------

FileListBox::FileListBox(Form* owner, std::string name) : ListBox(owner, std::move(name)) {}

FileListBox::~FileListBox() = default;

std::vector<std::string> FileListBox::Read(const std::string& folder, const std::string& mask, unsigned types) {
  ++reads_;
  return ListFolderFiles(folder, mask, types);
}

void FileListBox::SetDirectory(const std::string& path) {
  std::string target = NormalizeFolder(path, directory_);
  if (!directory_.empty() && SameTextNoCase(target, directory_)) {
    if (!DirectoryExists(directory_)) RaiseCannotOpen(directory_);
    return;
  }
  std::vector<std::string> names = Read(target, mask_, fileTypes_);
  directory_ = target;
  SetItems(std::move(names));
}

void FileListBox::ShowFiles(const std::string& path, std::vector<std::string> names) {
  directory_ = NormalizeFolder(path, directory_);
  SetItems(std::move(names));
}

void FileListBox::SetMask(const std::string& mask) {
  if (mask == mask_) return;
  // The mask is kept even when the folder cannot be read just now; the
  // error still reaches the caller and the next Update uses the new mask.
  mask_ = mask;
  Update();
}

void FileListBox::SetFileTypes(unsigned types) {
  types &= kAllFileTypes;
  if (types == fileTypes_) return;
  fileTypes_ = types;
  Update();
}

void FileListBox::SetShowIcons(bool on) {
  if (on == showIcons_) return;
  showIcons_ = on;
  UpdateItemHeight();
}

int FileListBox::MeasureItemHeight() {
  return showIcons_ ? LineHeightWithIcon(FontObject()) : ListBox::MeasureItemHeight();
}

void FileListBox::Update() {
  if (directory_.empty()) return;
  SetItems(Read(directory_, mask_, fileTypes_));
}

std::string FileListBox::FileName() const {
  int index = ItemIndex();
  if (index < 0 || index >= Count() || directory_.empty()) return {};
  return JoinPath(directory_, items_[static_cast<size_t>(index)]);
}

int FileListBox::IconOf(const std::string& name) {
  std::wstring ext = UpperCase(Widen(ExtractFileExt(name)));
  auto it = iconCache_.find(ext);
  if (it != iconCache_.end()) return it->second;
  const int index = IconIndex(shellicons::FileTypeIcon(ext), Handle());
  if (index != kIconPending) iconCache_[ext] = index;
  return index;
}

void FileListBox::DrawItem(HDC dc, int index, RECT rect, bool selected) {
  const std::string& name = items_[static_cast<size_t>(index)];
  rect.left += Scale(2);
  if (showIcons_) {
    const int icon = SystemIconSize();
    int top = rect.top + (rect.bottom - rect.top - icon) / 2;
    DrawSystemIcon(dc, IconOf(name), rect.left, top);
    rect.left += icon + Scale(4);
  }
  DrawTextAt(dc, name, rect);
}

// ---- FilterComboBox ------------------------------------------------------------------------

FilterComboBox::FilterComboBox(Form* owner, std::string name) : ComboBox(owner, std::move(name)) {
  // The box's tool tip shows the chosen mask.
  WantToolTip();
  filter_ = kDefaultFilter;
  Build();
}

void FilterComboBox::Build() {
  Clear();
  masks_.clear();
  // "description|mask" pairs; a description with no mask after it is dropped.
  std::vector<std::string> tokens;
  size_t start = 0;
  if (!filter_.empty()) {
    while (true) {
      size_t bar = filter_.find('|', start);
      tokens.push_back(filter_.substr(start, bar == std::string::npos ? std::string::npos : bar - start));
      if (bar == std::string::npos) break;
      start = bar + 1;
    }
  }
  for (size_t i = 0; i + 1 < tokens.size(); i += 2) {
    AddItem(tokens[i]);
    masks_.push_back(tokens[i + 1]);
  }
}

void FilterComboBox::SetFilter(const std::string& filter) {
  if (filter == filter_) return;
  filter_ = filter;
  Build();
  ComboBox::SetItemIndex(masks_.empty() ? -1 : 0);
  Change();
}

std::string FilterComboBox::Mask() {
  if (ItemIndex() < 0 && Count() > 0) ComboBox::SetItemIndex(Count() - 1);
  int index = ItemIndex();
  if (index < 0 || index >= static_cast<int>(masks_.size())) return "*.*";
  return masks_[static_cast<size_t>(index)];
}

void FilterComboBox::Change() {
  if (fileList_) fileList_->SetMask(Mask());
  Fire(OnChange);
}

void FilterComboBox::UserChanged() {
  Application::Instance().Dispatch([this] { Change(); });
}

}  // namespace framework
