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

// Replaces each "%s" of format, in order, by the next argument.
std::string FormatText(const std::string& format, std::initializer_list<std::string> args);

}  // namespace framework
