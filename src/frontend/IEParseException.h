// EIEParseException: the grammar error of the rule language. It carries the line of
// the last token read when it was raised and an owned list of further texts
// (initially empty). A value type: copyable, no shared state.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/Exceptions.h"

class EIEParseException : public EIEException {
 public:
  explicit EIEParseException(std::string message, int32_t lineNumber = 0)
      : EIEException(std::move(message)), lineNumber_(lineNumber) {}
  const char* ClassName() const noexcept override { return "EIEParseException"; }

  int32_t LineNumber() const noexcept { return lineNumber_; }
  void SetLineNumber(int32_t line) noexcept { lineNumber_ = line; }
  std::vector<std::string>& Errors() noexcept { return errors_; }
  const std::vector<std::string>& Errors() const noexcept { return errors_; }

 private:
  int32_t lineNumber_;
  std::vector<std::string> errors_;
};
