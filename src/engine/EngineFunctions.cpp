// The engine's side of the function framework (IReasoner): the registry of
// user functions by name (the text forms are in EnginePrinting.cpp).
#include "engine/InferenceEngine.h"
#include "functions/IEDeffunction.h"
#include "functions/IEFunctionCall.h"

bool TInferenceEngine::AddFunction(const IUserFunction& function) {
  if (!function || function->FunctionName().empty()) return false;
  userFunctions_.Put(function->FunctionName(), function);
  return true;
}

void TInferenceEngine::RemoveFunction(const IUserFunction& function) {
  if (!function || function->FunctionName().empty()) return;
  userFunctions_.TakeOut(*function);
}

bool TInferenceEngine::FunctionExists(std::string_view name) const {
  return !name.empty() && userFunctions_.Find(name) != nullptr;
}

IUserFunction TInferenceEngine::GetFunction(std::string_view name) const {
  return name.empty() ? IUserFunction() : IUserFunction(userFunctions_.Find(name));
}

IStringIteratorRef TInferenceEngine::Functions() const { return userFunctions_.Keys(); }

void TInferenceEngine::PutFunction(std::string_view name, const IUserFunction& function) {
  userFunctions_.Put(name, function);
}
