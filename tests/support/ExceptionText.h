// What an action raises, as text a test compares: the message of an exception
// of one chosen type, or the class name and message of any of the system's
// exceptions. An exception of another type propagates and fails the test.
#pragma once

#include <string>

#include "core/Exceptions.h"

// Stands for "the action raised nothing" in place of a message.
inline constexpr const char* kNoException = "(no exception)";

// The message of the E that Action raises, kNoException when it raises none.
template <class E, class F>
std::string MessageOf(F&& action) {
  try {
    action();
  } catch (const E& e) {
    return e.what();
  }
  return kNoException;
}

// "ClassName: message" of the Exception that Action raises, kNoException when
// it raises none.
template <class F>
std::string ClassAndMessageOf(F&& action) {
  try {
    action();
  } catch (const Exception& e) {
    return std::string(e.ClassName()) + ": " + e.Message();
  }
  return kNoException;
}
