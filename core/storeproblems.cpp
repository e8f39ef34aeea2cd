#include "core/storeproblems.h"

#include <windows.h>

#include <mutex>
#include <set>
#include <string>

#include "framework/base/text.h"

namespace kaleidon {

namespace {

constexpr const char* kCannotReadCaption = "闇のエラー";
constexpr const char* kCannotReadText =
    "ぬぬっ！正義のファイルが読めないぞ！\r"
    "%s\r"
    "ほかのプログラムが開いたままにしているのか？\r"
    "読めるようになるまで、このファイルには正義の書き込みをしないでおくぞ！";
constexpr const char* kWriteErrorCaption = "悪のエラー";

// Whether the run has not yet told of this problem with this file.
bool FirstTime(char kind, const std::string& path) {
  static std::mutex guard;
  static std::set<std::string> told;
  const std::lock_guard lock(guard);
  return told.insert(kind + framework::AsciiLower(path)).second;
}

}  // namespace

void ReportStoreProblem(framework::Notices& notices, const framework::EReadRefused& refused) {
  if (FirstTime('r', refused.Path()))
    notices.Notify({framework::FormatText(kCannotReadText, {refused.Path()}), kCannotReadCaption,
                    MB_OK | MB_ICONWARNING});
}

void ReportStoreProblem(framework::Notices& notices, const framework::EWriteRefused& refused) {
  if (FirstTime('w', refused.Path())) notices.Notify({refused.Message(), kWriteErrorCaption, MB_OK | MB_ICONERROR});
}

}  // namespace kaleidon
