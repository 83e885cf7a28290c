#include "cli/ProgramWarnings.h"

#include <algorithm>
#include <functional>
#include <set>
#include <utility>

#include "collections/GHashtable.h"
#include "core/IEConsts.h"
#include "engine/InferenceEngine.h"
#include "facts/IEFactSet.h"
#include "facts/IERule.h"
#include "functions/IEDeffunction.h"
#include "functions/IEFunctionCall.h"

namespace {

// The calls of an action tree in order, each with its arguments.
template <class F>
void ForEachCall(const TFunctionCall& call, F&& visit) {
  visit(call);
  for (int32_t i = 0; i < call.ArgumentCount(); ++i) {
    const IIEValue& argument = call.GetArgument(i);
    if (argument && argument->DType() == dtFunCall)
      if (auto* inner = dynamic_cast<const TFunctionCall*>(argument->AsFunCall().get()))
        ForEachCall(*inner, visit);
  }
}

bool IsGlobalName(std::string_view name) {
  return name.size() >= 2 && name.front() == '*' && name.back() == '*';
}

// The variables an action list binds itself: by bind, and as loop variables.
std::set<std::string> VariablesBoundByActions(const std::vector<const TFunctionCall*>& actions) {
  // try leaves the message it caught in ?__ERROR.
  std::set<std::string> bound{SErrorVariable};
  for (const TFunctionCall* action : actions)
    ForEachCall(*action, [&](const TFunctionCall& call) {
      const std::string& name = call.FunctionName();
      if ((name == "bind" || name == "__get-var") && call.ArgumentCount() > 0) {
        const IIEValue& first = call.GetArgument(0);
        if (first && (first->DType() == dtVariable || first->DType() == dtMultiVariable))
          bound.insert(first->AsString());
      }
      // (foreach x LIST ...) binds ?x: its loop variable is named by a symbol.
      if (name == "foreach" && call.ArgumentCount() > 0) {
        const IIEValue& first = call.GetArgument(0);
        if (first && (first->DType() == dtAtom || first->DType() == dtString))
          bound.insert(first->AsString());
      }
    });
  return bound;
}

std::string Nearest(const std::string& name, const std::vector<std::string>& known);

// The template of the fact a call's first argument (?f) is bound to by a
// pattern of Rule; none when it is not such a variable or the template is
// an ordered one.
const TFactTemplate* TemplateBoundTo(const TRule& rule, const TFunctionCall& call) {
  if (call.ArgumentCount() == 0) return nullptr;
  const IIEValue& first = call.GetArgument(0);
  if (!first || first->DType() != dtVariable) return nullptr;
  const TBinding* binding = rule.FindRuleBinding(first->AsString());
  if (!binding || binding->SlotIndex() != BindingPatternSlot) return nullptr;
  if (binding->FactIndex() < 0 || binding->FactIndex() >= rule.Patterns().Count()) return nullptr;
  const TFactTemplate* factTemplate = rule.Patterns().Get(binding->FactIndex())->FactTemplate().get();
  return factTemplate && !factTemplate->Implied() ? factTemplate : nullptr;
}

std::string PlaceOf(const TRule& rule) {
  return rule.Source().empty() ? "rule " + rule.RuleName() : rule.Source();
}

// A defined template whose name is close to Name, or "".
std::string NearTemplate(const std::string& name, const std::vector<IFactTemplate>& templates) {
  std::string best;
  size_t bestDistance = 3;
  for (const IFactTemplate& candidate : templates) {
    if (!candidate || candidate->Implied() || candidate->Name() == name) continue;
    const size_t distance = EditDistance(name, candidate->Name());
    // Short names are one letter apart by chance.
    if (name.size() < 4) continue;
    const size_t allowed = name.size() < 8 ? 1 : 2;
    if (distance <= allowed && distance < bestDistance) {
      best = candidate->Name();
      bestDistance = distance;
    }
  }
  return best;
}

// The checks rules and deffunctions share, for one action list: calls of
// functions that are not defined, variables nothing binds, and (for modify and
// duplicate of a fact whose template is known) slots the template lacks.
class TActionChecker {
 public:
  // Owner names the construct ("rule r"); Binders says what may bind a
  // variable of it ("pattern or action"); Bound holds the variables its
  // actions bind themselves.
  TActionChecker(TInferenceEngine& engine, const std::string& place, std::string owner,
                 std::string binders, std::set<std::string> bound, std::vector<std::string>& warnings)
      : engine_(engine),
        prefix_(place + ": warning: " + owner),
        binders_(std::move(binders)),
        bound_(std::move(bound)),
        warnings_(warnings) {}

  // Whether a variable the actions do not bind is bound outside them.
  std::function<bool(const std::string&)> BoundOutside;
  // The template of the fact a modify or duplicate call changes, when known.
  std::function<const TFactTemplate*(const TFunctionCall&)> TemplateOf;

  void CheckVariable(const IIEValue& value) {
    if (!value || (value->DType() != dtVariable && value->DType() != dtMultiVariable)) return;
    const std::string name = value->AsString();
    if (IsGlobalName(name) || bound_.count(name) || (BoundOutside && BoundOutside(name))) return;
    if (reported_.insert(name).second)
      warnings_.push_back(prefix_ + " uses ?" + name + ", which no " + binders_ + " binds");
  }

  // Action and the calls nested in it.
  void CheckCall(const TFunctionCall& action) {
    ForEachCall(action, [&](const TFunctionCall& call) {
      // (modify ?f (slot value)...): the slots of ?f's template.
      const bool pairs = call.FunctionName() == "modify" || call.FunctionName() == "duplicate";
      const TFactTemplate* target = pairs && TemplateOf ? TemplateOf(call) : nullptr;
      for (int32_t i = pairs ? 1 : call.ArgumentCount(); i < call.ArgumentCount(); ++i) {
        const IIEValue& pair = call.GetArgument(i);
        if (!pair || pair->DType() != dtList || pair->ListRef().Count() == 0) continue;
        for (int32_t k = 1; k < pair->ListRef().Count(); ++k) CheckVariable(pair->ListRef().Get(k));
        const std::string slot = pair->ListRef().Get(0)->AsString();
        if (!target || target->FindSlot(slot)) continue;
        std::string warning = prefix_ + " sets slot " + slot + ", which template " + target->Name() +
                              " does not have";
        std::vector<std::string> slots;
        for (const TFactSlot* known : target->Slots()) slots.push_back(known->Name());
        const std::string near = Nearest(slot, slots);
        warnings_.push_back(near.empty() ? warning : warning + "; did you mean " + near + "?");
      }
      // A call bound to its function when it was read needs no lookup.
      if (!call.GetFunction() && !engine_.FunctionExists(call.FunctionName()) &&
          reported_.insert("(" + call.FunctionName()).second) {
        std::vector<std::string> functions;
        for (const IUserFunction& function : engine_.UserFunctions().Functions())
          if (function) functions.push_back(function->FunctionName());
        const std::string near = Nearest(call.FunctionName(), functions);
        warnings_.push_back(prefix_ + " calls " + call.FunctionName() + ", which is not defined" +
                            (near.empty() ? "" : "; did you mean " + near + "?"));
      }
      for (int32_t i = 0; i < call.ArgumentCount(); ++i) CheckVariable(call.GetArgument(i));
    });
  }

 private:
  TInferenceEngine& engine_;
  const std::string prefix_;
  const std::string binders_;
  const std::set<std::string> bound_;
  std::vector<std::string>& warnings_;
  // Variables, and "(" + name for functions, already warned about.
  std::set<std::string> reported_;
};

void WarnAboutRule(TInferenceEngine& engine, TRule& rule, const std::vector<IFactTemplate>& templates,
                   std::vector<std::string>& warnings) {
  const std::string place = PlaceOf(rule);
  for (const auto& pattern : rule.Patterns()) {
    if (!pattern || !pattern->FactTemplate() || !pattern->FactTemplate()->Implied()) continue;
    const std::string near = NearTemplate(pattern->Name(), templates);
    if (!near.empty())
      warnings.push_back(place + ": warning: rule " + rule.RuleName() + " matches ordered facts \"" +
                         pattern->Name() + "\", which nothing may assert; did you mean " + near + "?");
  }
  std::vector<const TFunctionCall*> actions;
  for (int32_t i = 0; i < rule.Actions().Count(); ++i)
    if (auto* call = dynamic_cast<const TFunctionCall*>(rule.Actions().Get(i).get()))
      actions.push_back(call);
  TActionChecker checker(engine, place, "rule " + rule.RuleName(), "pattern or action",
                         VariablesBoundByActions(actions), warnings);
  checker.BoundOutside = [&](const std::string& name) { return rule.FindRuleBinding(name) != nullptr; };
  checker.TemplateOf = [&](const TFunctionCall& call) { return TemplateBoundTo(rule, call); };
  for (const TFunctionCall* action : actions) checker.CheckCall(*action);
}

// A deffunction's body: its parameters and what the body binds itself are
// bound; a call of a deffunction defined anywhere in the load (itself, or one
// defined later) is defined by the time the checks run.
void WarnAboutDeffunction(TInferenceEngine& engine, const TInterpretedFunction& function,
                          std::vector<std::string>& warnings) {
  const std::string place =
      function.Source().empty() ? "deffunction " + function.FunctionName() : function.Source();
  std::vector<const TFunctionCall*> calls;
  const TValueVector& body = *function.Actions();
  for (int32_t i = 0; i < body.Count(); ++i) {
    const IIEValue& action = body.Get(i);
    if (action && action->DType() == dtFunCall)
      if (auto* call = dynamic_cast<const TFunctionCall*>(action->AsFunCall().get()))
        calls.push_back(call);
  }
  std::set<std::string> bound = VariablesBoundByActions(calls);
  const TValueVector& parameters = *function.Parameters();
  for (int32_t i = 0; i < parameters.Count(); ++i)
    if (const IIEValue& parameter = parameters.Get(i))
      if (parameter->DType() == dtVariable || parameter->DType() == dtMultiVariable)
        bound.insert(parameter->AsString());
  TActionChecker checker(engine, place, "deffunction " + function.FunctionName(),
                         "parameter or action", std::move(bound), warnings);
  // A bare value in the body (the function's result, often) is checked too.
  for (int32_t i = 0; i < body.Count(); ++i) {
    const IIEValue& action = body.Get(i);
    if (!action) continue;
    if (action->DType() != dtFunCall) {
      checker.CheckVariable(action);
    } else if (auto* call = dynamic_cast<const TFunctionCall*>(action->AsFunCall().get())) {
      checker.CheckCall(*call);
    }
  }
}

// "file:line" (or "line N") as the text before the line and the line, so that
// line 9 comes before line 10.
std::pair<std::string, long> SourceOrder(const std::string& source) {
  size_t digits = source.size();
  while (digits > 0 && source[digits - 1] >= '0' && source[digits - 1] <= '9') --digits;
  const std::string line = source.substr(digits);
  return {source.substr(0, digits), line.empty() || line.size() > 9 ? 0L : std::stol(line)};
}

}  // namespace

size_t EditDistance(const std::string& a, const std::string& b) {
  std::vector<size_t> row(b.size() + 1);
  for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    size_t diagonal = row[0];
    row[0] = i;
    for (size_t j = 1; j <= b.size(); ++j) {
      const size_t above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

namespace {

// The known name nearest to Name: one edit for short names, two for long.
std::string Nearest(const std::string& name, const std::vector<std::string>& known) {
  if (name.size() < 3) return std::string();
  const size_t allowed = name.size() < 8 ? 1 : 2;
  std::string best;
  size_t bestDistance = allowed + 1;
  for (const std::string& candidate : known) {
    if (candidate == name) return std::string();
    const size_t distance = EditDistance(name, candidate);
    if (distance < bestDistance) {
      best = candidate;
      bestDistance = distance;
    }
  }
  return best;
}

}  // namespace

std::vector<std::string> GlobalNames(TInferenceEngine& engine) {
  std::vector<std::string> names;
  TGHashtableWalker walk(&engine.GlobalVariables());
  while (TGHashtableEntry* entry = walk.Next())
    names.push_back("?" + static_cast<TGStringHashtableEntry*>(entry)->Text);
  return names;
}

std::string NameSuggestion(const std::string& message, TInferenceEngine& engine) {
  const size_t colon = message.rfind(": ");
  if (colon == std::string::npos) return std::string();
  std::string name = message.substr(colon + 2);
  while (!name.empty() && (name.back() == '\n' || name.back() == '\r')) name.pop_back();
  if (name.size() >= 2 && name.front() == '"' && name.back() == '"') name = name.substr(1, name.size() - 2);
  if (name.empty() || name.find(' ') != std::string::npos) return std::string();
  const std::string kind = message.substr(0, colon);
  std::vector<std::string> known;
  if (kind.find("Function") != std::string::npos || kind.find("function") != std::string::npos) {
    for (const IUserFunction& function : engine.UserFunctions().Functions())
      if (function) known.push_back(function->FunctionName());
  } else if (kind.find("slot") != std::string::npos) {
    for (const IFactTemplate& factTemplate : engine.FactTemplates().Templates())
      if (factTemplate)
        for (const TFactSlot* slot : factTemplate->Slots()) known.push_back(slot->Name());
  } else if (kind.find("template") != std::string::npos) {
    for (const IFactTemplate& factTemplate : engine.FactTemplates().Templates())
      if (factTemplate && !factTemplate->Implied()) known.push_back(factTemplate->Name());
  } else if (kind.find("rule") != std::string::npos || kind.find("Rule") != std::string::npos) {
    for (const TRule* rule : engine.Rules().Rules())
      if (rule) known.push_back(rule->RuleName());
  } else if (kind.find("variable") != std::string::npos) {
    // Only globals are known by name outside a rule; the message names one
    // without its "?".
    name = "?" + name;
    known = GlobalNames(engine);
  } else {
    return std::string();
  }
  const std::string near = Nearest(name, known);
  return near.empty() ? std::string() : "  did you mean " + near + "?\n";
}

std::vector<std::string> ProgramWarnings(TInferenceEngine& engine) {
  std::vector<std::string> warnings;
  const std::vector<IFactTemplate> templates = engine.FactTemplates().Templates();
  std::vector<TRule*> rules = engine.Rules().Rules();
  std::stable_sort(rules.begin(), rules.end(),
                   [](const TRule* a, const TRule* b) { return a->RuleNumber() < b->RuleNumber(); });
  for (TRule* rule : rules)
    if (rule) WarnAboutRule(engine, *rule, templates, warnings);
  TFactSets& sets = engine.FactSets();
  for (int32_t s = 0; s < sets.Count(); ++s) {
    TFactSet* set = sets.Get(s);
    if (!set) continue;
    std::set<std::string> reported;
    for (int32_t f = 0; f < set->FactCount(); ++f) {
      IFactRef fact = set->GetFact(f);
      const TFactTemplate* factTemplate = fact ? fact->Template().get() : nullptr;
      if (!factTemplate || !factTemplate->Implied() || !reported.insert(factTemplate->Name()).second)
        continue;
      const std::string near = NearTemplate(factTemplate->Name(), templates);
      if (!near.empty())
        warnings.push_back((set->Source().empty() ? "deffacts " + set->FactSetName() : set->Source()) +
                           ": warning: deffacts " + set->FactSetName() + " asserts ordered facts \"" +
                           factTemplate->Name() + "\", which no rule may match; did you mean " +
                           near + "?");
    }
  }
  // The function table keeps no order; the places give one.
  std::vector<const TInterpretedFunction*> deffunctions;
  for (const IUserFunction& function : engine.UserFunctions().Functions())
    if (auto* deffunction = dynamic_cast<const TInterpretedFunction*>(function.get()))
      deffunctions.push_back(deffunction);
  std::sort(deffunctions.begin(), deffunctions.end(),
            [](const TInterpretedFunction* a, const TInterpretedFunction* b) {
              return std::make_pair(SourceOrder(a->Source()), a->FunctionName()) <
                     std::make_pair(SourceOrder(b->Source()), b->FunctionName());
            });
  for (const TInterpretedFunction* deffunction : deffunctions)
    WarnAboutDeffunction(engine, *deffunction, warnings);
  return warnings;
}
