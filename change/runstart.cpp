#include "change/runstart.h"

#include <windows.h>

#include "core/settings.h"
#include "core/storeproblems.h"
#include "framework/base/paths.h"
#include "framework/base/random.h"
#include "selection/foldermemory.h"

namespace kaleidon {

namespace {

constexpr const char* kGreetingCaption = "作者の挨拶";
constexpr const char* kGreetingText =
    "初めまして、「カレイドン」作者の「白樺　雫」です。\r"
    "拙作「カレイドン」をお使い頂き誠にありがとうございます。\r"
    "至らぬ所があると思いますが「カレイドン」共々これから宜しくお願い致します。\r"
    "でわでわ、「カレイドン Version0.6」の世界をお楽しみください（＾＾；";
constexpr const char* kUpgradeCaption = "カレイドン Version0.6";
constexpr const char* kUpgradeText =
    "バージョンアップありがとうございます\r"
    "Version0.6より圧縮ファイル(LHA)にも対応しました。 \r"
    "詳細はヘルプファイルをご覧ください。\r"
    "\r"
    "フォルダバッファの拡張子を変更しましが、通常通り\r"
    "お使い頂くだけで結構です。全て自動で処理をします。\r"
    "\r"
    "同じフォルダを複数登録する事ができなくなりました。\r"
    "エラー回避のため、完全最適化を実行します。";

}  // namespace

RunStart StartRun(framework::IniFile ini, framework::Notices& notices) {
  const std::string programFolder = framework::ProgramFolder();
  const std::string tempFolder = framework::JoinPath(programFolder, "Temp");
  RunStart start;
  // The version marker: greet a first start, explain an upgrade. A file
  // that cannot be read is neither: it runs on the defaults, and nothing of
  // it is erased or written.
  const framework::IniEdit stored(ini);
  start.settingsRead = !stored.Unread();
  if (!start.settingsRead) ReportStoreProblem(notices, framework::EReadRefused(ini.FileName()));
  const bool firstStart = !framework::FileExists(ini.FileName());
  const bool upgrade = !firstStart && start.settingsRead &&
                       stored.ReadString(kSysInfo, kProgramVersionKey, kOldestProgramVersion) != kProgramVersion;
  if (firstStart) notices.Notify({kGreetingText, kGreetingCaption, MB_OK});
  if (upgrade) notices.Notify({kUpgradeText, kUpgradeCaption, MB_OK | MB_ICONINFORMATION});
  if (firstStart || upgrade) {
    framework::CreateFolder(tempFolder);
    StoreOrReport(notices, [&] {
      framework::IniEdit edit(ini);
      edit.EraseSection(kSelectedDirectorys);
      edit.EraseSection(kAllFilesSelectedDirectorys);
      edit.Commit();
    });
  }
  framework::Randomize();
  if (!framework::DirectoryExists(tempFolder)) framework::CreateFolder(tempFolder);
  start.options = ReadOptions(ini);
  start.filter = stored.ReadInteger(kSysInfo, kFilterKey, defaults::kFilter);
  start.folder = stored.ReadString(kSysInfo, kPathKey, programFolder);
  return start;
}

std::string ReplaceGoneFolder(framework::IniFile& settings, framework::Notices& notices) {
  ReportFolderGone(notices);
  const std::string programFolder = framework::ProgramFolder();
  StoreOrReport(notices, [&] { settings.WriteString(kSysInfo, kPathKey, programFolder); });
  return programFolder;
}

}  // namespace kaleidon
