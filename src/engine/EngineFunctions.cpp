// The engine's side of the function framework (IReasoner): the registry of
// user functions by name, and the text forms packages ask for.
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
  if (userFunctions_.Find(function->FunctionName()) == function.get())
    userFunctions_.Remove(function->FunctionName());
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

std::string TInferenceEngine::FunCallText(const TFunctionCall& call) const {
  return call.PlainText();
}

std::string TInferenceEngine::FactText(const TCustomFact& fact) const { return fact.AsText(); }

std::string TInferenceEngine::UserFunctionText(const TIEUserFunction& function) const {
  return function.FunctionName();
}

std::string TInferenceEngine::DeffunctionText(const TInterpretedFunction& function) const {
  return function.FunctionName();
}
