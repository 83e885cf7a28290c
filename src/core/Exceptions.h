// Exception classes of the platform layer and of the engine.
// Every error of the system is one of these; all derive from std::exception and
// carry a ready-formatted message. Value types: copyable, no shared state.
#pragma once

#include <cstdint>
#include <exception>
#include <string>

// Where an error happened, gathered as it travels out of the engine: the
// message stays as it is for callers, and a runner or shell that shows the
// error to a person adds what is known here. Every field may be empty.
struct TErrorContext {
  std::string File;        // the program file being loaded
  int32_t Line = 0;        // 1-based; 0 when unknown
  int32_t Column = 0;      // 1-based; 0 when unknown
  int64_t Offset = -1;     // the byte in the program text, until File/Line are known
  std::string SourceLine;  // the text of Line
  std::string Summary;     // the message without the text read before the error
  std::string Rule;        // the rule whose action was running
  std::string RuleSource;  // "file:line" where that rule was defined
  std::string Function;    // the deffunction whose body was running
  std::string Call;        // the innermost call that raised, as rule text
  std::string Note;        // a hint on what the place means, shown after the source line
};

// Base of every exception the system raises.
class Exception : public std::exception {
 public:
  explicit Exception(std::string message) : message_(std::move(message)) {}
  const char* what() const noexcept override { return message_.c_str(); }
  const std::string& Message() const noexcept { return message_; }
  void SetMessage(std::string message) { message_ = std::move(message); }
  // The class name, as a host or a rule program's error handler shows it.
  virtual const char* ClassName() const noexcept { return "Exception"; }
  TErrorContext& Context() noexcept { return context_; }
  const TErrorContext& Context() const noexcept { return context_; }

 private:
  std::string message_;
  TErrorContext context_;
};

#define IE_DECLARE_EXCEPTION(Name, Base)                                  \
  class Name : public Base {                                              \
   public:                                                                \
    using Base::Base;                                                     \
    const char* ClassName() const noexcept override { return #Name; }     \
  };

// Platform errors.
IE_DECLARE_EXCEPTION(EListError, Exception)
IE_DECLARE_EXCEPTION(EConvertError, Exception)
IE_DECLARE_EXCEPTION(EStreamError, Exception)
IE_DECLARE_EXCEPTION(EFOpenError, EStreamError)
IE_DECLARE_EXCEPTION(EFCreateError, EStreamError)
IE_DECLARE_EXCEPTION(EReadError, EStreamError)
IE_DECLARE_EXCEPTION(EClassNotFound, EReadError)
IE_DECLARE_EXCEPTION(EInvalidCast, Exception)
IE_DECLARE_EXCEPTION(EDivByZero, Exception)
IE_DECLARE_EXCEPTION(EPropertyError, Exception)
IE_DECLARE_EXCEPTION(EComponentError, Exception)

// Raised to abandon an operation without an error of its own.
class EAbort : public Exception {
 public:
  EAbort();
  using Exception::Exception;
  const char* ClassName() const noexcept override { return "EAbort"; }
};

// The engine's own errors.
IE_DECLARE_EXCEPTION(EIEException, Exception)
IE_DECLARE_EXCEPTION(EGHashtableError, Exception)
IE_DECLARE_EXCEPTION(EGraphException, Exception)

#undef IE_DECLARE_EXCEPTION
