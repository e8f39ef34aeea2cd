#include "selection/exclusions.h"

#include "framework/base/exception.h"
#include "framework/base/paths.h"

namespace kaleidon {

namespace {

constexpr const char* kNoPictureText = "今の壁紙の画像がわからないので、除外できません";

std::string MemberEntry(std::string_view archiveFileName, std::string_view member) {
  std::string entry(archiveFileName);
  entry += '\\';
  entry += member;
  return entry;
}

}  // namespace

std::string ExclusionFilePath(const std::string& folder) {
  return framework::JoinPath(framework::JoinPath(folder, ""), kExclusionFileName);
}

std::string ExclusionFolder(const PictureSource& source) { return framework::ExtractFilePath(source.file); }

std::string ExclusionEntry(const PictureSource& source) {
  const std::string file = framework::ExtractFileName(source.file);
  return source.InArchive() ? MemberEntry(file, source.member) : file;
}

Exclusions Exclusions::Load(const std::string& folder) {
  Exclusions list;
  list.names_ = LoadHistory(ExclusionFilePath(folder));
  return list;
}

bool Exclusions::ExcludesMember(std::string_view archiveFileName, std::string_view member) const {
  return !names_.Empty() && names_.Contains(MemberEntry(archiveFileName, member));
}

std::vector<std::string> Exclusions::AllowedMembers(std::string_view archiveFileName,
                                                    const std::vector<std::string>& members) const {
  if (names_.Empty()) return members;
  std::vector<std::string> allowed;
  for (const std::string& member : members)
    if (!ExcludesMember(archiveFileName, member)) allowed.push_back(member);
  return allowed;
}

void ExcludePicture(const PictureSource& source) {
  const std::string path = ExclusionFilePath(ExclusionFolder(source));
  const std::string entry = ExclusionEntry(source);
  if (framework::ExtractFileName(source.file).empty()) throw framework::Exception(kNoPictureText);
  History names = LoadHistory(path);
  if (names.Contains(entry)) return;
  names.InsertSorted(entry);
  SaveHistory(path, names);
}

size_t ExcludedCount(const std::string& folder) { return LoadHistory(ExclusionFilePath(folder)).Size(); }

void ClearExclusions(const std::string& folder) {
  const std::string path = ExclusionFilePath(folder);
  if (!framework::FileExists(path)) return;
  if (!framework::DeleteFileAt(path) && framework::FileExists(path)) throw framework::EWriteRefused(path);
}

}  // namespace kaleidon
