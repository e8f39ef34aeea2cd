#include "framework/base/exception.h"

namespace framework {

std::string FormatText(const std::string& format, std::initializer_list<std::string> args) {
  std::string out;
  auto next = args.begin();
  for (size_t i = 0; i < format.size(); ++i) {
    if (format[i] == '%' && i + 1 < format.size() && format[i + 1] == 's' && next != args.end()) {
      out += *next++;
      ++i;
    } else {
      out += format[i];
    }
  }
  return out;
}

EWriteRefused::EWriteRefused(const std::string& path)
    : Exception(FormatText("%s に書き込めません", {path})), path_(path) {}

EReadRefused::EReadRefused(const std::string& path)
    : Exception(FormatText("%s を読み込めません", {path})), path_(path) {}

EFileTooLarge::EFileTooLarge(const std::string& path) : Exception(FormatText("%s は大きすぎて読めません", {path})) {}

}  // namespace framework
