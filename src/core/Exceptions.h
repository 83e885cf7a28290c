// Exception classes of the platform layer and of the engine.
// Every error of the system is one of these; all derive from std::exception and
// carry a ready-formatted message. Value types: copyable, no shared state.
#pragma once

#include <cstdint>
#include <exception>
#include <string>

// Base of every exception the system raises.
class Exception : public std::exception {
 public:
  explicit Exception(std::string message) : message_(std::move(message)) {}
  const char* what() const noexcept override { return message_.c_str(); }
  const std::string& Message() const noexcept { return message_; }
  void SetMessage(std::string message) { message_ = std::move(message); }
  // The class name, as a host or a rule program's error handler shows it.
  virtual const char* ClassName() const noexcept { return "Exception"; }

 private:
  std::string message_;
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
