#include "selection/randomfile.h"

#include <algorithm>
#include <optional>

#include "archive/membername.h"
#include "archive/unlha32.h"
#include "framework/base/exception.h"
#include "framework/base/paths.h"
#include "framework/base/random.h"
#include "framework/base/scopeguard.h"
#include "framework/base/text.h"
#include "selection/exclusions.h"
#include "selection/foldermemory.h"
#include "selection/history.h"
#include "selection/namekey.h"

namespace kaleidon {

namespace {

constexpr const char* kFolderHistory = "_Buf.RFB";
constexpr const char* kLegacyFolderHistory = "_Buf.ini";
constexpr size_t kMaxMaskPatterns = 31;

constexpr const char* kNestedArchiveCaption = "暗黒のｴﾗｰ";
constexpr const char* kNestedArchiveText = "むぅ～。圧縮ファイルの中に圧縮ファイルは入れないでくれ";
constexpr const char* kNothingToChooseText = "選択できるファイルがありません";

std::string UpperExtension(std::string_view name) {
  std::string file = MemberFileName(name);
  size_t dot = file.find_last_of('.');
  if (dot == std::string::npos) return {};
  return framework::AsciiUpper(std::string_view(file).substr(dot));
}

bool IsArchiveName(std::string_view name) { return UpperExtension(name) == ".LZH"; }

// Whether each candidate is in the history and whether it is excluded,
// found out when first asked for (neither list changes while the draws go
// on, except for the history to be emptied).
class CandidateKeys {
 public:
  CandidateKeys(const std::vector<std::string>& names, const Exclusions& excluded)
      : names_(names), excluded_(excluded), state_(names.size(), 0) {}

  bool Shown(size_t i, const History& history) { return !history.Empty() && (Look(i, history) & kShown); }
  bool Excluded(size_t i, const History& history) { return !excluded_.Empty() && (Look(i, history) & kExcluded); }

  // Finds out about every candidate at once, in list order: where most of
  // them will be asked about anyway (a history nearly full), one pass over
  // the names in the order they lie in memory costs far less than looking
  // them up one at a time in random order.
  void LookAll(const History& history) {
    if (all_) return;
    all_ = true;
    for (size_t i = 0; i < names_.size(); ++i) Look(i, history);
  }

 private:
  enum : char { kKnown = 1, kShown = 2, kExcluded = 4 };
  char Look(size_t i, const History& history) {
    if (!(state_[i] & kKnown)) {
      fold_.clear();
      AppendNameFold(names_[i], fold_);
      const uint32_t hash = HashBytes(fold_);
      char state = kKnown;
      // A history found empty stays so: it is never added to meanwhile.
      if (!history.Empty() && history.Contains(fold_, hash)) state |= kShown;
      if (excluded_.Excludes(fold_, hash)) state |= kExcluded;
      state_[i] = state;
    }
    return state_[i];
  }

  const std::vector<std::string>& names_;
  const Exclusions& excluded_;
  std::vector<char> state_;
  std::string fold_;
  bool all_ = false;
};

// Draws that find a shown or excluded candidate before every candidate is
// looked at in one pass (CandidateKeys::LookAll).
constexpr size_t kDrawsBeforeLookingAtAll = 32;

// Draws a candidate that is neither excluded nor in the history. After
// `fallbackAt` draws since the last fallback, the draw is replaced by one
// among the candidates that may still be drawn; when every candidate not
// excluded has been shown, the history is emptied, startOver records that,
// and the draws go on. When every candidate is excluded the pass ends the
// same way, and nothing is drawn.
std::optional<size_t> DrawUnshown(const std::vector<std::string>& candidates, History& history,
                                  const Exclusions& excluded, size_t fallbackAt,
                                  const std::function<void()>& startOver) {
  CandidateKeys keys(candidates, excluded);
  const int count = static_cast<int>(candidates.size());
  size_t draws = 0;
  for (;;) {
    size_t pick = static_cast<size_t>(framework::Random(count));
    ++draws;
    if (draws == kDrawsBeforeLookingAtAll) keys.LookAll(history);
    if (draws >= fallbackAt) {
      // Names in the history that are no longer candidates do not count:
      // only whether each candidate has been shown.
      std::vector<size_t> spare;
      bool anyAllowed = false;
      for (size_t i = 0; i < candidates.size(); ++i) {
        if (keys.Excluded(i, history)) continue;
        anyAllowed = true;
        if (!keys.Shown(i, history)) spare.push_back(i);
      }
      if (!anyAllowed) {
        history.Clear();
        startOver();
        return std::nullopt;
      }
      if (spare.empty()) {
        history.Clear();
        startOver();
      } else if (spare.size() == 1) {
        pick = spare[0];
      } else {
        pick = spare[static_cast<size_t>(framework::Random(static_cast<int>(spare.size())))];
      }
      draws = 0;
    }
    if (!keys.Excluded(pick, history) && !keys.Shown(pick, history)) return pick;
  }
}

// The most headers one draw reads: a folder where nothing suits would
// otherwise have every header read at every change (seconds for 10,000
// photos). Where one picture in a hundred suits, one is still found at all
// but about one draw in 150.
constexpr size_t kMostHeadersLooked = 500;

// Among the candidates neither excluded nor in the history, one whose
// picture suits the demand, looked at in random order: the first that suits,
// so only the headers of the pictures looked at are read. Nothing when none
// of them suits, or none of the first kMostHeadersLooked read.
// The first of 0..count-1, taken in random order, for which take(i) is
// true; one place of the shuffle is drawn at a time, so only as many as are
// looked at are drawn. Nothing when none is, or look says to stop first.
template <class Look, class Take>
std::optional<size_t> FirstInRandomOrder(size_t count, Look&& look, Take&& take) {
  std::vector<size_t> order(count);
  for (size_t i = 0; i < count; ++i) order[i] = i;
  for (size_t left = count; left > 0 && look(); --left) {
    const size_t at = static_cast<size_t>(framework::Random(static_cast<int>(left)));
    const size_t i = order[at];
    order[at] = order[left - 1];
    if (take(i)) return i;
  }
  return std::nullopt;
}

std::optional<size_t> DrawSuiting(const std::string& folder, const std::vector<std::string>& candidates,
                                  const History& history, const Exclusions& excluded, const PictureDemand& demand) {
  CandidateKeys keys(candidates, excluded);
  size_t looked = 0;
  return FirstInRandomOrder(
      candidates.size(), [&] { return looked < kMostHeadersLooked; },
      [&](size_t i) {
        if (keys.Excluded(i, history) || keys.Shown(i, history)) return false;
        if (IsArchiveName(candidates[i])) return true;
        ++looked;
        return Suits(demand, ReadPictureSize(framework::JoinPath(folder, candidates[i])));
      });
}

// The most members one draw extracts into memory to learn their size: each
// is decoded (its first 256 KB at least), so an archive where nothing suits
// costs at most this many decodes per change.
constexpr size_t kMostMembersLooked = 8;

// The member drawn when it suits the demand (or its size cannot be told);
// else the first of the other members not yet shown that suits, looked at in
// random order, kMostMembersLooked members in all. When none of those suits,
// the member drawn stands: the archive never stalls on the demand.
size_t DrawSuitingMember(const FileChoice& choice, const std::string& archive,
                         const std::vector<std::string>& candidates, const History& history, size_t drawn) {
  auto suits = [&](size_t i) {
    return Suits(choice.demand, ReadMemberPictureSize(choice.owner, archive, candidates[i]));
  };
  if (IsArchiveName(candidates[drawn]) || suits(drawn)) return drawn;
  const Exclusions none;
  CandidateKeys keys(candidates, none);
  size_t looked = 1;
  const std::optional<size_t> other = FirstInRandomOrder(
      candidates.size(), [&] { return looked < kMostMembersLooked; },
      [&](size_t i) {
        if (i == drawn || IsArchiveName(candidates[i]) || keys.Shown(i, history)) return false;
        ++looked;
        return suits(i);
      });
  return other.value_or(drawn);
}

// Draws one of the candidates (none of them excluded) against the archive's
// history and records it there; empty when the member is refused.
std::string DrawArchiveMember(FileChoice& choice, const std::string& archive,
                              const std::vector<std::string>& candidates);

PickResult PickFromArchive(FileChoice& choice, const std::string& archive, const Exclusions& excluded) {
  std::vector<std::string> entries;
  if (choice.loopCounter > 0) entries = ListArchiveEntries(archive, static_cast<size_t>(choice.loopCounter));
  std::vector<std::string> candidates = excluded.AllowedMembers(
      framework::ExtractFileName(archive), MatchArchiveMembers(entries, SplitMaskPatterns(choice.mask)));
  // The change cycle marks such an archive as shown; one whose every member
  // is excluded is used up the same way.
  if (candidates.empty()) return {PickResult::Kind::ArchiveUsedUp, archive};
  std::string member = DrawArchiveMember(choice, archive, candidates);
  if (member.empty()) return {PickResult::Kind::MemberRefused, {}};
  return ExtractToTemp(choice, archive, member);
}

std::string TempFolder(const FileChoice& choice) {
  return framework::JoinPath(framework::JoinPath(choice.programFolder, "Temp"), "");
}

}  // namespace

PickResult PickRandomFile(FileChoice& choice) {
  int row = -1;
  // The list's selection follows the draw, also when a later step fails.
  auto select = framework::ScopeExit([&choice, &row] {
    if (!choice.selectRow) return;
    try {
      choice.selectRow(row);
    } catch (...) {
    }
  });

  if (choice.names.empty()) throw framework::Exception(kNothingToChooseText);
  const std::string folder = framework::JoinPath(choice.folder, "");
  const std::string legacy = folder + kLegacyFolderHistory;
  if (framework::FileExists(legacy)) MigrateLegacyBuffer(legacy);
  const std::string historyPath = folder + kFolderHistory;
  History history = LoadHistory(historyPath);
  const Exclusions excluded = Exclusions::Load(folder);

  // The emptied history of a pass that ended is stored once, with the
  // picture drawn next when there is one.
  bool startedOver = false;
  std::optional<size_t> index = DrawUnshown(choice.names, history, excluded, choice.names.size(), [&] {
    startedOver = true;
    MarkFolderAllShown(choice.settings, folder, static_cast<uint8_t>(choice.currentSlot));
  });
  // A picture that does not suit the monitor gives way to one that does; it
  // stays unshown for a later draw.
  if (index && choice.demand.Asks() && !IsArchiveName(choice.names[*index]) &&
      !Suits(choice.demand, ReadPictureSize(framework::JoinPath(folder, choice.names[*index])))) {
    if (std::optional<size_t> suiting = DrawSuiting(folder, choice.names, history, excluded, choice.demand))
      index = suiting;
  }
  const bool archive = index && IsArchiveName(choice.names[*index]);
  if ((!index || archive) && startedOver) SaveHistory(historyPath, history);
  if (!index) return {PickResult::Kind::AllExcluded, {}};
  row = static_cast<int>(*index);
  const std::string& pick = choice.names[*index];
  // An archive stays a candidate until it is used up.
  if (archive) return PickFromArchive(choice, framework::JoinPath(folder, pick), excluded);
  history.InsertSorted(pick);
  SaveHistory(historyPath, history);
  const std::string path = framework::JoinPath(folder, pick);
  return {PickResult::Kind::Picture, path, false, {path, {}}};
}

PickResult PickFromArchive(FileChoice& choice, const std::string& archive) {
  return PickFromArchive(choice, archive, Exclusions::Load(framework::ExtractFilePath(archive)));
}

std::string PickArchiveMember(FileChoice& choice, const std::string& archive,
                              const std::vector<std::string>& candidates) {
  const Exclusions excluded = Exclusions::Load(framework::ExtractFilePath(archive));
  return DrawArchiveMember(choice, archive, excluded.AllowedMembers(framework::ExtractFileName(archive), candidates));
}

namespace {

std::string DrawArchiveMember(FileChoice& choice, const std::string& archive,
                              const std::vector<std::string>& candidates) {
  if (candidates.empty()) return {};
  const std::string folder = framework::ExtractFilePath(archive);
  const std::string name = framework::ExtractFileName(archive);
  const std::string legacy = folder + framework::ChangeFileExt(name, ".ini");
  if (framework::FileExists(legacy)) MigrateLegacyBuffer(legacy);
  const std::string historyPath = folder + framework::ChangeFileExt(name, ".RFB");
  History history = LoadHistory(historyPath);

  // With no exclusions to pass over, the draw always gives a member.
  size_t index = *DrawUnshown(candidates, history, Exclusions(), candidates.size() + 1,
                              [&] { MarkArchiveShown(archive); });
  if (choice.demand.Asks() && CanReadMembersIntoMemory())
    index = DrawSuitingMember(choice, archive, candidates, history, index);
  const std::string& pick = candidates[index];
  // A refused member counts as shown all the same: otherwise, once the
  // others are used, it would be the only one left and the archive (and its
  // folder's pass) would never end.
  history.Append(pick);
  SaveHistory(historyPath, history);
  if (IsArchiveName(pick)) {
    choice.notices.Notify({kNestedArchiveText, kNestedArchiveCaption, MB_ICONWARNING | MB_OK});
    return {};
  }
  return pick;
}

}  // namespace

PickResult ExtractToTemp(const FileChoice& choice, const std::string& archive, const std::string& member) {
  const PickResult refused{PickResult::Kind::MemberRefused, {}};
  const std::string temp = TempFolder(choice);
  std::optional<std::string> found = ExtractedMemberPath(temp, member);
  if (!found) return refused;
  const std::string target = *found;
  framework::CreateFolder(temp);
  // A file left over under the same name must not pass for the new one.
  if (framework::FileExists(target)) framework::ForceDeleteFile(target);
  UnlhaAnswer answer = RunExtractCommand(choice.owner, archive, temp, member, true);
  if (answer.Failed()) {
    // The library said it could not: no file is coming, and whatever part
    // of one it left is no picture.
    if (framework::FileExists(target)) framework::ForceDeleteFile(target);
    return refused;
  }
  const unsigned looks = choice.extractPollMs ? choice.extractWaitMs / choice.extractPollMs : 0;
  for (unsigned look = 0;; ++look) {
    if (framework::FileExists(target)) return {PickResult::Kind::Picture, target, true, {archive, member}};
    if (look >= looks) return {PickResult::Kind::MemberRefused, target, true};
    if (choice.pause)
      choice.pause(choice.extractPollMs);
    else
      Sleep(choice.extractPollMs);
  }
}

void MarkArchiveShown(const std::string& archive) {
  const std::string path = framework::ExtractFilePath(archive) + kFolderHistory;
  History history = LoadHistory(path);
  history.Append(framework::ExtractFileName(archive));
  SaveHistory(path, history);
}

void MigrateLegacyBuffer(const std::string& path) {
  std::wstring from = framework::Widen(path);
  std::wstring to = framework::Widen(framework::ChangeFileExt(path, ".RFB"));
  if (!MoveFileW(from.c_str(), to.c_str())) framework::DeleteFileAt(path);
}

std::vector<std::string> SplitMaskPatterns(const std::string& mask) {
  std::vector<std::string> patterns(1);
  for (char c : mask) {
    if (c == ';') {
      if (patterns.size() == kMaxMaskPatterns) break;
      patterns.emplace_back();
    } else {
      patterns.back() += c;
    }
  }
  return patterns;
}

std::vector<std::string> MatchArchiveMembers(const std::vector<std::string>& entries,
                                             const std::vector<std::string>& patterns) {
  std::vector<std::string> upper;
  for (const std::string& pattern : patterns)
    if (!pattern.empty()) upper.push_back(framework::AsciiUpper(pattern));
  std::vector<std::string> members;
  for (const std::string& entry : entries) {
    std::string ext = UpperExtension(entry);
    if (ext.size() < 2 || !IsSafeMemberName(entry)) continue;
    std::string form = "*" + ext;
    for (const std::string& pattern : upper)
      if (pattern == form) members.push_back(entry);
  }
  return members;
}

}  // namespace kaleidon
