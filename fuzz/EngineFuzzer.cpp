// A libFuzzer target: each input is rule program text for a fresh engine, which
// loads it, resets and runs with a small firing limit. The engine cannot touch
// files or processes: the functions that open, write, rename, remove, load or
// save files, batch and dribble, and the whole object package are taken out.
// Loops are bounded so that every input ends: each `while` condition is
// wrapped in a shared iteration budget, every `run` in an action gets a small
// limit, and calls nest at most a few dozen levels.
//
// Errors the program raises are the expected outcome of most inputs and are
// swallowed; crashes, sanitizer reports and leaks are what the fuzzer looks for.
#include <cstddef>
#include <cstdint>
#include <exception>
#include <string>

#include "engine/InferenceEngine.h"
#include "functions/IEFunctionCall.h"
#include "functions/IEPackages.h"
#include "values/IEValue.h"

namespace {

constexpr int32_t FiringLimit = 50;        // firings of the top-level run
constexpr int32_t NestedRunLimit = 5;      // firings of a run called by an action
constexpr int32_t LoopBudget = 200;        // while iterations per input
constexpr int32_t EvaluationDepth = 64;    // nested calls

constexpr const char* RemovedFunctions[] = {
    "open", "remove", "rename", "load", "load-facts", "save", "save-facts", "batch", "dribble-on",
};

constexpr char BudgetFunctionName[] = "fuzz-loop-budget";

// (fuzz-loop-budget condition): the resolved condition while the input's
// loop budget lasts, FALSE once it is spent.
class TLoopBudgetFunction : public TIEUserFunction {
 public:
  explicit TLoopBudgetFunction(int32_t* budget) : budget_(budget) {
    SetFunctionName(BudgetFunctionName);
    SetMinArgumentCount(1);
    SetMaxArgumentCount(1);
  }
  void Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) override {
    if (*budget_ <= 0) {
      result = FalseAtom();
      return;
    }
    --*budget_;
    const IIEValue& condition = funCall.GetArgument(0);
    result = condition ? condition->Resolve(context) : IIEValue();
  }

 private:
  int32_t* budget_;
};

// Rewrites each call as it is parsed: while conditions draw on the budget,
// runs get the nested limit.
void BoundCall(TInferenceEngine& engine, const IFunCall& parsed) {
  auto* call = dynamic_cast<TFunctionCall*>(parsed.get());
  if (!call) return;
  if (call->FunctionName() == "while" && call->ArgumentCount() > 0) {
    IFunctionCall budget = TFunctionCall::Create(&engine, BudgetFunctionName);
    budget->AddArgument(call->GetArgument(0));
    call->SetArgument(0, TIEValue::MakeFunCall(IFunCall(budget)));
  } else if (call->FunctionName() == "run") {
    call->ClearArguments();
    call->AddArgument(NestedRunLimit, dtInteger);
  }
}

void RunProgram(const std::string& text) {
  TInferenceEngine engine;
  TFunctionPackages packages = TInferenceEngine::ConstructionPackages;
  packages.Exclude(pObject);
  packages.Include(pTrigonometry);
  packages.Include(pBusiness);
  engine.SetPackages(packages);
  for (const char* name : RemovedFunctions) engine.RemoveFunction(engine.GetFunction(name));
  int32_t budget = LoopBudget;
  engine.AddFunction(IUserFunction(new TLoopBudgetFunction(&budget)));
  engine.SetMaxEvaluationDepth(EvaluationDepth);
  engine.OnPrintOut = [](TObject*, const std::string&, const std::string&) {};
  engine.OnParseFunCall() = [&engine](TIEParser*, const IFunCall& call) { BoundCall(engine, call); };
  try {
    engine.Evaluate(text);
  } catch (const std::exception&) {
  }
  try {
    engine.Reset();
    engine.Run(FiringLimit);
  } catch (const std::exception&) {
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  RunProgram(std::string(reinterpret_cast<const char*>(data), size));
  return 0;
}
