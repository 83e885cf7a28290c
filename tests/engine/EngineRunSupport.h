// A fixture for the agenda, run and working-memory tests: an engine without
// packages, a few rule-action functions of its own (note, fail, stop, drop,
// add) and a log of print-out, agenda and working-memory events.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/Exceptions.h"
#include "engine/InferenceEngine.h"
#include "facts/IERule.h"
#include "functions/IEFunctionCall.h"
#include "functions/IEPackages.h"
#include "rete/ReteNetwork.h"
#include "values/IEContext.h"

namespace enginetest {

// A function of the tests: FunctionName, any number of arguments, and an
// action that gets the resolved arguments.
class TActionFunction : public TIEUserFunction {
 public:
  using TAction = std::function<IIEValue(const std::vector<IIEValue>&)>;
  TActionFunction(const std::string& name, TAction action) : action_(std::move(action)) {
    SetFunctionName(name);
  }
  std::string ClassName() const override { return "TActionFunction"; }
  void Run(TFunctionCall& call, TIEContext* context, IIEValue& result) override {
    std::vector<IIEValue> args;
    for (int32_t i = 0; i < call.ArgumentCount(); ++i)
      args.push_back(call.GetArgument(i)->Resolve(context));
    result = action_(args);
    if (!result) result = TIEValue::MakeAtom("TRUE");
  }

 private:
  TAction action_;
};

struct EngineRunTest : ::testing::Test {
  EngineRunTest() {
    engine.SetPackages({});
    Function("note", [this](const std::vector<IIEValue>& args) {
      std::string line;
      for (const IIEValue& a : args) line += (line.empty() ? "" : " ") + a->AsText();
      notes.push_back(line);
      return IIEValue();
    });
    Function("fail", [](const std::vector<IIEValue>&) -> IIEValue {
      throw EIEException("boom");
    });
    Function("stop", [this](const std::vector<IIEValue>&) {
      engine.SetHalted(true);
      return IIEValue();
    });
    Function("drop", [this](const std::vector<IIEValue>& args) {
      for (const IIEValue& a : args) engine.RetractById(a->AsInteger());
      return IIEValue();
    });
    Function("add", [this](const std::vector<IIEValue>& args) {
      for (const IIEValue& a : args) engine.AssertString(a->AsString());
      return IIEValue();
    });
    engine.OnPrintOut = [this](TObject*, const std::string& id, const std::string& text) {
      out += text;
      outIds.push_back(id);
    };
  }

  void Function(const std::string& name, TActionFunction::TAction action) {
    engine.AddFunction(IUserFunction(MakeRef<TActionFunction>(name, std::move(action)).get()));
  }

  // Logs the agenda events as "+i text" and "-i text".
  void LogAgenda() {
    engine.OnAddActivation = [this](TObject*, int32_t index, TActivation* a) {
      events.push_back("+" + std::to_string(index) + " " + a->Text());
    };
    engine.OnRemoveActivation = [this](TObject*, int32_t index, TActivation* a) {
      events.push_back("-" + std::to_string(index) + " " + a->Text());
    };
  }

  // The agenda's lines, first first.
  std::vector<std::string> Agenda() const {
    std::vector<std::string> lines;
    for (int32_t i = 0; i < engine.AgendaCount(); ++i) lines.push_back(engine.AgendaText(i));
    return lines;
  }

  TInferenceEngine engine;
  std::vector<std::string> notes;
  std::vector<std::string> events;
  std::string out;
  std::vector<std::string> outIds;
};

using Lines = std::vector<std::string>;

}  // namespace enginetest
