#include "change/changecycle.h"

#include <algorithm>
#include <utility>

#include "core/storeproblems.h"
#include "core/wallpapermonitors.h"
#include "framework/base/bounded.h"
#include "framework/base/exception.h"
#include "framework/base/paths.h"
#include "framework/base/scopeguard.h"
#include "framework/base/text.h"
#include "selection/exclusions.h"
#include "selection/history.h"
#include "selection/rotation.h"

namespace kaleidon {

namespace {

constexpr const char* kNoPictureCaption = "悪のエラー";
constexpr const char* kNoPictureText =
    "はわぁ！読み込む正義の画像がないぞ！\r"
    "指定した正義のフォルダに読み込める\r"
    "正義の画像ファイルがない。何とかしてくれ";
// A change under way, with the hourglass, until the result goes: every way
// out, a failure included, ends it.
auto BusyUntilEnd(bool& busy, ChangeCycleHost& host) {
  busy = true;
  host.ShowBusy(true);
  return framework::ScopeExit([&busy, &host] {
    host.ShowBusy(false);
    busy = false;
  });
}

// After the name of a picture that going back could not find.
constexpr const char* kNotFoundStatus = "（はぐぁ！指定した正義のファイルが存在しない････）";

// The pictures of a wallpaper gone back to, for the monitors of the desktop
// as it is now: each on the monitor it was shown on; a single picture, or
// one of a monitor no longer there, on the primary monitor when that has
// none yet.
std::vector<std::optional<std::string>> PlaceOnMonitors(const ShownSources& sources,
                                                        const std::vector<std::string>& pictures,
                                                        const Desktop& desktop, bool perMonitor) {
  std::vector<std::optional<std::string>> placed(perMonitor ? desktop.monitors.size() : 1);
  std::vector<bool> used(pictures.size());
  auto place = [&](size_t slot, const std::string& device) {
    for (size_t i = 0; i < pictures.size() && !placed[slot]; ++i)
      if (!used[i] && (device.empty() || sources[i].monitor == device)) {
        placed[slot] = pictures[i];
        used[i] = true;
      }
  };
  size_t primary = 0;
  for (size_t monitor = 0; monitor < desktop.monitors.size(); ++monitor) {
    if (desktop.monitors[monitor].primary) primary = monitor;
    if (perMonitor) place(monitor, desktop.monitors[monitor].device);
  }
  const size_t primarySlot = perMonitor ? primary : 0;
  if (primary < desktop.monitors.size()) place(primarySlot, desktop.monitors[primary].device);
  place(primarySlot, {});
  return placed;
}

}  // namespace

ChangeCycle::ChangeCycle(ChangeCycleHost& host, framework::Notices& notices, framework::IniFile settings)
    : host_(host), notices_(notices), settings_(std::move(settings)) {
  // What an earlier run spread over the monitors, for a display change
  // before this run's first change (the screen's depth and the spread are
  // taken to be those of the desktop that changed).
  try {
    for (const MonitorPicture& shown : ShownMonitorPictures(settings_)) {
      shown_.desktop.monitors.push_back(shown.monitor);
      shown_.pictures.push_back({shown.monitor.device, shown.picture, {shown.picture, {}}});
    }
    shown_.desktop.bitsPerPixel = 0;
    shown_.perMonitor = !shown_.pictures.empty();
  } catch (...) {
    // A settings file that cannot be read: nothing is known to be shown.
  }
  RecallShownSources();
}

void ChangeCycle::RecallShownSources() {
  // Where the pictures shown came from, as the back list's current entry
  // has it, while the desktop still shows the wallpaper bitmap: an archive's
  // member rather than the copy that was taken out into Temp, and a single
  // picture too, of which the settings keep nothing.
  BackList back;
  try {
    back = BackList::Load(BackList::PathBeside(settings_.FileName()));
  } catch (const framework::EReadRefused&) {
    return;  // said when going back needs it
  }
  if (back.Entries().empty() || !DesktopShowsWallpaperBitmap()) return;
  const ShownSources& recorded = back.Entries()[back.Current()];
  if (shown_.pictures.empty()) {
    recalled_ = recorded;
    return;
  }
  for (ShownPicture& shown : shown_.pictures)
    for (const ScreenSource& screen : recorded) {
      if (screen.monitor == shown.monitor &&
          framework::SameTextNoCase(screen.source.Name(), framework::ExtractFileName(shown.picture)))
        shown.source = screen.source;
    }
}

namespace {

// What the pictures drawn for a slot of the change should suit: its monitor,
// or the primary monitor where one picture is shown.
PictureDemand DemandFor(const ProgramOptions& options, const Desktop& desktop, bool perMonitor, size_t slot) {
  PictureDemand demand{.matchShape = options.matchShape, .minShare = std::clamp(options.minPictureShare, 0, 100)};
  for (size_t monitor = 0; monitor < desktop.monitors.size(); ++monitor) {
    const MonitorArea& area = desktop.monitors[monitor];
    if (perMonitor ? monitor == slot : area.primary) {
      demand.monitorWidth = area.width;
      demand.monitorHeight = area.height;
    }
  }
  return demand;
}

}  // namespace

// Folder memory's controls over the change's values: the slot and the
// folder it moves are the outcome's; what a window would show of them (the
// slot's folder, the drive) the window shows from the outcome.
class ChangeCycle::Place : public FolderMemoryControls {
 public:
  Place(ChangeCycle& cycle, bool inUse, int slotCount) : cycle_(cycle), inUse_(inUse), slotCount_(slotCount) {}
  int CurrentSlot() const override { return Out().currentSlot; }
  void SetCurrentSlot(int slot) override { Out().currentSlot = std::clamp(slot, 1, std::max(slotCount_, 1)); }
  bool SlotBoxEnabled() const override { return inUse_; }
  std::string ListedFolder() const override { return Out().folder; }
  std::string CurrentFolder() const override { return Out().folder; }
  bool ChangeFolder(const std::string& folder) override {
    try {
      Out().names = framework::ListFolderFiles(folder, cycle_.now_.request->mask, kListedFileTypes);
    } catch (const framework::Exception&) {
      return false;
    }
    Out().folder = folder;
    Out().folderChanged = true;
    Out().listRow.reset();
    return true;
  }
  void SyncDriveBox() override {}
  void ShowSlotFolder(const std::string&) override {}
  void Repaint() override {}

 private:
  ChangeOutcome& Out() const { return *cycle_.now_.outcome; }
  ChangeCycle& cycle_;
  bool inUse_;
  int slotCount_;
};

void ChangeCycle::Begin(const ChangeRequest& request, ChangeOutcome& outcome) {
  now_ = {&request, &outcome};
  outcome.currentSlot = request.currentSlot;
  outcome.folder = request.folder;
  if (request.listed) {
    outcome.names = *request.listed;
  } else if (!request.folder.empty()) {
    Reread();
    outcome.listRead = false;  // what the asker lists already
  }
}

void ChangeCycle::Reread() {
  ChangeOutcome& outcome = *now_.outcome;
  try {
    outcome.names = framework::ListFolderFiles(outcome.folder, now_.request->mask, kListedFileTypes);
  } catch (const framework::Exception&) {
    outcome.names.clear();  // a folder gone has no picture to draw
  }
  outcome.listRead = true;
  outcome.listRow.reset();
}

FileChoice ChangeCycle::Choice(const ProgramOptions& options) const {
  static const std::vector<std::string> kNoNames;
  ChangeOutcome* outcome = now_.outcome;
  return FileChoice{.folder = outcome ? outcome->folder : std::string(),
                    .names = outcome ? outcome->names : kNoNames,
                    .mask = now_.request ? now_.request->mask : std::string(),
                    .currentSlot = outcome ? outcome->currentSlot : 1,
                    .loopCounter = options.loopCounter,
                    .owner = host_.Owner(),
                    .programFolder = framework::ProgramFolder(),
                    .selectRow = [outcome](int row) {
                      if (outcome) outcome->listRow = row;
                    },
                    .settings = settings_,
                    .notices = notices_};
}

void ChangeCycle::ShowStatus(const std::string& text) {
  if (now_.outcome) now_.outcome->status = text;
}

void ChangeCycle::TakeExtracted(const PickResult& pick) {
  if (pick.extracted) MeltFile = TMeltFile{pick.path, true};
  if (pick.kind == PickResult::Kind::Picture && !pick.path.empty())
    drawn_.push_back({pick.path, pick.source.file.empty() ? PictureSource{pick.path, {}} : pick.source});
}

void ChangeCycle::ReportEmptyList() {
  host_.ShowBusy(false);
  notices_.Notify({kNoPictureText, kNoPictureCaption, MB_OK | MB_ICONWARNING});
}

std::optional<std::string> ChangeCycle::DrawPicture(const ProgramOptions& options, const PictureDemand& demand,
                                                    bool& listEmpty) {
  // An empty list, or one of excluded pictures only, ends the change, said.
  auto EndWithEmptyList = [&] {
    listEmpty = true;
    ReportEmptyList();
    return std::optional<std::string>();
  };
  // A folder whose every picture is excluded is marked shown through by the
  // draw, so the rotation passes it over: with folder memory the next
  // folder is tried, a bounded number of times (twice per slot covers a pass
  // that starts over on the way).
  const ChangeRequest& request = *now_.request;
  const bool slotsInUse = request.slots && options.slotCount >= 1;
  const int folderTries = slotsInUse ? 2 * std::max(options.slotCount, 1) : 1;
  PickResult pick;
  for (int tried = 0;;) {
    if (slotsInUse) {
      const FolderSlots before = *request.slots;
      Place place(*this, true, options.slotCount);
      FolderMemory memory{*request.slots, place, options.slotCount, settings_, notices_, request.clock};
      RotateFolder(memory);
      if (!(*request.slots == before)) now_.outcome->slotsChanged = true;
    }
    FileChoice choice = Choice(options);
    choice.demand = demand;
    if (choice.names.empty()) return EndWithEmptyList();
    pick = PickRandomFile(choice);
    if (pick.kind != PickResult::Kind::AllExcluded) break;
    if (++tried >= folderTries) return EndWithEmptyList();
  }
  TakeExtracted(pick);
  // Gone since the list was read, or not answering (a dead share, a cloud
  // file not on the disk): drawn once more.
  const bool pictureGone = pick.kind == PickResult::Kind::Picture && !framework::FileAnswers(pick.path);
  if (pictureGone || pick.kind == PickResult::Kind::MemberRefused) {
    // The file went away after the list was read, or the archive member
    // drawn cannot be used: read the list again and draw once more; an
    // emptied folder ends the change like an empty one.
    Reread();
    FileChoice again = Choice(options);
    again.demand = demand;
    if (again.names.empty()) return EndWithEmptyList();
    pick = PickRandomFile(again);
    TakeExtracted(pick);
    // A second that does not answer either: no new picture this time.
    if (pick.kind == PickResult::Kind::Picture && !framework::FileAnswers(pick.path)) return std::nullopt;
  }
  switch (pick.kind) {
    case PickResult::Kind::ArchiveUsedUp:
      // No new picture; the archive is passed over until its folder's pass
      // ends.
      MarkArchiveShown(pick.path);
      return std::nullopt;
    case PickResult::Kind::MemberRefused:
      return std::nullopt;  // refused twice: no new picture this time
    case PickResult::Kind::AllExcluded:
      return EndWithEmptyList();  // what the list holds still is all excluded
    case PickResult::Kind::Picture:
      break;
  }
  return pick.path;
}

ChangeOutcome ChangeCycle::ChangeWallpaper(const ChangeRequest& request) {
  const ProgramOptions& options = request.options;
  const bool apply = request.apply;
  const std::string& onlyMonitor = request.onlyMonitor;
  ChangeOutcome outcome;
  const Under outer = std::exchange(now_, {});
  auto restore = framework::ScopeExit([this, outer] { now_ = outer; });
  Begin(request, outcome);
  drawn_.clear();
  auto end = BusyUntilEnd(ChangeBusy, host_);
  // Whatever the change stores in the settings file (the rotation, a
  // folder's pass, what each monitor shows) is one replacement at its end,
  // and each history it changes is written once, before it; a refusal of
  // either is said, and the wallpaper is changed all the same.
  framework::IniBatch batch(settings_);
  HistoryBatch histories;
  try {
    const Desktop desktop = CurrentDesktop();
    const bool perMonitor = WantsPicturePerMonitor(options.Wallpaper(), desktop);
    std::vector<std::optional<std::string>> drawn(perMonitor ? desktop.monitors.size() : 1);
    // A monitor no longer there: every monitor gets a new picture.
    const bool onlyOne = perMonitor && std::any_of(desktop.monitors.begin(), desktop.monitors.end(),
                                                   [&](const MonitorArea& m) { return m.device == onlyMonitor; });
    bool listEmpty = false;
    for (size_t monitor = 0; monitor < drawn.size() && !listEmpty; ++monitor) {
      if (onlyOne && desktop.monitors[monitor].device != onlyMonitor) continue;
      drawn[monitor] = DrawPicture(options, DemandFor(options, desktop, perMonitor, monitor), listEmpty);
      // The next draw may extract another member.
      if (perMonitor && MeltFile.Extracted) extracted_.push_back(std::exchange(MeltFile, TMeltFile{}).FileName);
    }
    if (std::any_of(drawn.begin(), drawn.end(), [](const auto& picture) { return picture.has_value(); })) {
      Show(PicturesFor(desktop, perMonitor, drawn), desktop, apply, options.Wallpaper(), true);
      outcome.done = true;
      host_.ShowBusy(false);
      // An extracted picture lives only for the change that used it, or
      // while a monitor shows it.
      if (MeltFile.Extracted) extracted_.push_back(std::exchange(MeltFile, TMeltFile{}).FileName);
      DeleteUnshownMembers();
    }
  } catch (const framework::EWriteRefused& e) {
    // A picture folder that takes no history (a protected folder, a CD, a
    // read-only _Buf.RFB) would otherwise never change the wallpaper without
    // a word.
    host_.ShowBusy(false);
    ReportStoreProblem(notices_, e);
  } catch (const framework::EReadRefused& e) {
    host_.ShowBusy(false);
    ReportStoreProblem(notices_, e);
  } catch (...) {
    // Whatever else went wrong ends this change quietly; the next one starts anew.
  }
  for (const std::string& refused : histories.Commit()) ReportStoreProblem(notices_, framework::EWriteRefused(refused));
  StoreOrReport(notices_, [&] { batch.Commit(); });
  return outcome;
}

ChangeOutcome ChangeCycle::ShowPicture(const std::string& picture, bool apply, const WallpaperOptions& options) {
  ChangeOutcome outcome;
  const ChangeRequest none;
  const Under outer = std::exchange(now_, {&none, &outcome});
  auto restore = framework::ScopeExit([this, outer] { now_ = outer; });
  // Busy as a change is (a display change during its error box waits), with
  // the hourglass on the button that asked instead of the random one.
  ChangeBusy = true;
  auto end = framework::ScopeExit([this] { ChangeBusy = false; });
  // An archive's member that TakeExtracted noted keeps its source.
  const PictureSource source = SourceOf(picture);
  drawn_ = {{picture, source}};
  framework::IniBatch batch(settings_);
  const Desktop desktop = CurrentDesktop();
  const bool perMonitor = WantsPicturePerMonitor(options, desktop);
  std::vector<std::optional<std::string>> drawn(perMonitor ? desktop.monitors.size() : 1);
  for (size_t monitor = 0; monitor < drawn.size(); ++monitor)
    if (!perMonitor || desktop.monitors[monitor].primary) drawn[monitor] = picture;
  Show(PicturesFor(desktop, perMonitor, drawn), desktop, apply, options, true);
  outcome.done = true;
  DeleteUnshownMembers();
  StoreOrReport(notices_, [&] { batch.Commit(); });
  return outcome;
}

std::vector<std::string> ChangeCycle::PicturesFor(const Desktop& desktop, bool perMonitor,
                                                  const std::vector<std::optional<std::string>>& drawn) const {
  // What a monitor without a picture of its own gets: the first drawn, else
  // what the primary monitor shows, else what any monitor shows.
  std::optional<std::string> spare;
  for (const auto& picture : drawn)
    if (!spare) spare = picture;
  for (const MonitorArea& monitor : desktop.monitors)
    if (!spare && monitor.primary) spare = ShownOn(monitor.device);
  for (const ShownPicture& shown : shown_.pictures)
    if (!spare) spare = ShownOn(shown.monitor);
  if (!spare) return {};
  std::vector<std::string> pictures;
  for (size_t monitor = 0; monitor < desktop.monitors.size(); ++monitor) {
    const MonitorArea& area = desktop.monitors[monitor];
    if (!perMonitor && !area.primary) continue;
    const size_t slot = perMonitor ? monitor : 0;
    std::optional<std::string> picture = slot < drawn.size() ? drawn[slot] : std::nullopt;
    if (!picture) picture = ShownOn(area.device);
    pictures.push_back(picture.value_or(*spare));
    if (!perMonitor) break;
  }
  if (pictures.empty()) pictures.push_back(*spare);  // no monitor is the primary one
  return pictures;
}

std::optional<std::string> ChangeCycle::ShownOn(const std::string& monitor) const {
  for (const ShownPicture& shown : shown_.pictures)
    if (shown.monitor == monitor && framework::FileExists(shown.picture)) return shown.picture;
  return std::nullopt;
}

void ChangeCycle::Show(const std::vector<std::string>& pictures, const Desktop& desktop, bool apply,
                       const WallpaperOptions& options, bool remember, const std::string& note) {
  const std::string bitmap = WallpaperBitmapPath();
  const bool perMonitor = WantsPicturePerMonitor(options, desktop) && pictures.size() == desktop.monitors.size();
  // What a caption names: an archive's member rather than its copy in Temp.
  std::vector<PictureOrigin> origins;
  for (const std::string& picture : pictures) {
    const PictureSource source = SourceOf(picture);
    origins.push_back({source.file, source.member});
  }
  bool made;
  if (perMonitor) {
    made = PrepareMonitorWallpapers(pictures, options, desktop, UserWallpaperStyle(settings_), notices_, origins);
    if (made) {
      std::vector<MonitorPicture> shown;
      for (size_t monitor = 0; monitor < pictures.size(); ++monitor)
        shown.push_back({desktop.monitors[monitor], pictures[monitor]});
      SetSpreadWallpaper(bitmap, apply, options, desktop.spread, shown, settings_);
    }
  } else {
    made = WriteWallpaperBitmap(pictures.front(), options, CurrentScreen(), notices_, origins.front());
    if (made) RestoreUserWallpaperStyle(settings_);
  }
  // A wallpaper that could not be made leaves the previous one, applied again.
  if (!made || !perMonitor) SetWallpaper(bitmap, apply, options);
  std::string names;
  for (const std::string& picture : pictures)
    names += (names.empty() ? "" : " / ") + framework::ExtractFileName(picture);
  ShowStatus(note.empty() ? names : names + "　" + note);
  if (now_.outcome) now_.outcome->shown = pictures;
  if (!made) return;
  ShownWallpaper now{desktop, {}, perMonitor};
  for (size_t monitor = 0, next = 0; monitor < desktop.monitors.size() && next < pictures.size(); ++monitor) {
    if (!perMonitor && !desktop.monitors[monitor].primary && desktop.monitors.size() > 1) continue;
    const std::string& picture = pictures[next++];
    now.pictures.push_back({desktop.monitors[monitor].device, picture, SourceOf(picture)});
  }
  shown_ = std::move(now);
  recalled_.clear();
  if (remember) AddToBackList();
}

PictureSource ChangeCycle::SourceOf(const std::string& picture) const {
  for (const Drawn& drawn : drawn_)
    if (framework::SameTextNoCase(drawn.picture, picture)) return drawn.source;
  for (const ShownPicture& shown : shown_.pictures)
    if (framework::SameTextNoCase(shown.picture, picture)) return shown.source;
  return {picture, {}};
}

ChangeOutcome ChangeCycle::NeverAgain(const ScreenSource& screen, ChangeRequest request) {
  ExcludePicture(screen.source);
  if (ShownNow().size() > 1) request.onlyMonitor = screen.monitor;
  return ChangeWallpaper(request);
}

ShownSources ChangeCycle::ShownNow() const {
  if (shown_.pictures.empty()) return recalled_;
  ShownSources sources;
  for (const ShownPicture& shown : shown_.pictures) sources.push_back({shown.monitor, shown.source});
  return sources;
}

void ChangeCycle::AddToBackList() {
  // A list that cannot be read or stored only loses the way back to this
  // wallpaper.
  const std::string path = BackList::PathBeside(settings_.FileName());
  StoreOrReport(notices_, [&] {
    BackList list = BackList::Load(path);
    list.Add(ShownNow());
    if (!list.Save(path)) throw framework::EWriteRefused(path);
  });
}

std::optional<std::string> ChangeCycle::Recall(const PictureSource& source, const ProgramOptions& options) {
  if (!framework::FileExists(source.file)) return std::nullopt;
  if (!source.InArchive()) return source.file;
  const PickResult pick = ExtractToTemp(Choice(options), source.file, source.member);
  if (pick.extracted) extracted_.push_back(pick.path);
  if (pick.kind != PickResult::Kind::Picture) return std::nullopt;
  drawn_.push_back({pick.path, source});
  return pick.path;
}

ChangeOutcome ChangeCycle::GoBack(const ChangeRequest& request) {
  const ProgramOptions& options = request.options;
  ChangeOutcome outcome;
  const Under outer = std::exchange(now_, {});
  auto restore = framework::ScopeExit([this, outer] { now_ = outer; });
  ChangeRequest here = request;
  here.listed = std::vector<std::string>();  // going back draws nothing: the folder need not be read
  Begin(here, outcome);
  drawn_.clear();
  auto end = BusyUntilEnd(ChangeBusy, host_);
  const std::string path = BackList::PathBeside(settings_.FileName());
  BackList list;
  try {
    list = BackList::Load(path);
  } catch (const framework::EReadRefused& e) {
    ReportStoreProblem(notices_, e);
    return outcome;
  }
  framework::IniBatch batch(settings_);
  auto store = framework::ScopeExit([&] { StoreOrReport(notices_, [&] { batch.Commit(); }); });
  // The last picture passed over stays named after what is shown instead.
  std::string passedOver;
  for (size_t entry = list.Current(); entry-- > 0;) {
    const ShownSources& sources = list.Entries()[entry];
    std::vector<std::string> pictures;
    for (const ScreenSource& screen : sources) {
      const std::optional<std::string> picture = Recall(screen.source, options);
      if (!picture) break;
      pictures.push_back(*picture);
    }
    if (pictures.size() < sources.size()) {
      // Deleted or moved since: named on the status line, and the one
      // before is tried.
      passedOver = sources[pictures.size()].source.Name() + kNotFoundStatus;
      ShowStatus(passedOver);
      DeleteUnshownMembers();
      continue;
    }
    try {
      const Desktop desktop = CurrentDesktop();
      const bool perMonitor = WantsPicturePerMonitor(options.Wallpaper(), desktop);
      Show(PicturesFor(desktop, perMonitor, PlaceOnMonitors(sources, pictures, desktop, perMonitor)), desktop, true,
           options.Wallpaper(), false, passedOver);
    } catch (...) {
      DeleteUnshownMembers();
      outcome.done = true;  // the wallpaper stays as it was; the list keeps its place
      return outcome;
    }
    DeleteUnshownMembers();
    list.MakeCurrent(entry);
    if (!list.Save(path)) ReportStoreProblem(notices_, framework::EWriteRefused(path));
    outcome.done = true;
    return outcome;
  }
  return outcome;
}

void ChangeCycle::DeleteUnshownMembers() {
  std::erase_if(extracted_, [this](const std::string& file) {
    for (const ShownPicture& shown : shown_.pictures)
      if (shown_.perMonitor && framework::SameTextNoCase(shown.picture, file)) return false;
    if (framework::FileExists(file)) framework::ForceDeleteFile(file);
    return true;
  });
}

ChangeOutcome ChangeCycle::PrepareAgain(const WallpaperOptions& options) {
  ChangeOutcome outcome;
  if (shown_.pictures.empty() || ChangeBusy) return outcome;
  const ChangeRequest none;
  const Under outer = std::exchange(now_, {&none, &outcome});
  auto restore = framework::ScopeExit([this, outer] { now_ = outer; });
  ChangeBusy = true;
  auto end = framework::ScopeExit([this] { ChangeBusy = false; });
  framework::IniBatch batch(settings_);
  auto store = framework::ScopeExit([&] { StoreOrReport(notices_, [&] { batch.Commit(); }); });
  try {
    const Desktop desktop = CurrentDesktop();
    if (shown_.desktop.bitsPerPixel == 0) {
      shown_.desktop.spread = desktop.spread;
      shown_.desktop.bitsPerPixel = desktop.bitsPerPixel;
    }
    // A caption follows the work area and the DPI as well.
    const bool captionMoved = options.caption.show && CaptionPlacesMoved(shown_.desktop, desktop);
    if ((desktop == shown_.desktop && !captionMoved) || !DesktopShowsWallpaperBitmap()) return outcome;
    const bool perMonitor = WantsPicturePerMonitor(options, desktop);
    const std::vector<std::string> pictures =
        PicturesFor(desktop, perMonitor, std::vector<std::optional<std::string>>(desktop.monitors.size()));
    if (pictures.empty()) return outcome;  // their files are gone
    WallpaperOptions quiet = options;
    quiet.playSound = false;
    Show(pictures, desktop, true, quiet, false);
    DeleteUnshownMembers();
    outcome.done = true;
    return outcome;
  } catch (...) {
    // The wallpaper stays as it was; the next change makes it anew.
    outcome.done = false;
    return outcome;
  }
}

void ChangeCycle::ApplyAgain() {
  // A wallpaper bitmap of an earlier run counts as well.
  try {
    if (DesktopShowsWallpaperBitmap() && framework::FileExists(WallpaperBitmapPath()))
      SetWallpaper(WallpaperBitmapPath(), true, WallpaperOptions{});
  } catch (...) {
    // The desktop keeps what it shows.
  }
}

}  // namespace kaleidon
