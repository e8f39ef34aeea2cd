#pragma once
// The root of the program's exceptions. Messages are UTF-8.
#include <exception>
#include <string>

namespace framework {

class Exception : public std::exception {
 public:
  explicit Exception(std::string message) : message_(std::move(message)) {}
  const char* what() const noexcept override { return message_.c_str(); }
  const std::string& Message() const { return message_; }

 private:
  std::string message_;
};

// A file that cannot be written: read-only, in a folder that takes no new
// files, on a full disk. The message names it: "<path> に書き込めません".
class EWriteRefused : public Exception {
 public:
  explicit EWriteRefused(const std::string& path);
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

// A file that is there but cannot be read: another program holds it open
// without letting others read, a read error, bytes that are no text. Such a
// file is never taken as empty, so never written over either. The message
// names it: "<path> を読み込めません".
class EReadRefused : public Exception {
 public:
  explicit EReadRefused(const std::string& path);
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

// A file larger than the reader can take: "<path> は大きすぎて読めません".
class EFileTooLarge : public Exception {
 public:
  explicit EFileTooLarge(const std::string& path);
};

// Replaces each "%s" of format, in order, by the next argument.
std::string FormatText(const std::string& format, std::initializer_list<std::string> args);

}  // namespace framework
