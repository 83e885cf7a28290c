// Embeds the engine in a C++ program: gives the rules a function written in
// C++, loads rules from a string, asserts facts from C++ (as text and through
// the fact API), runs them while print-out and rule-fired events arrive, reads
// the facts back, saves the engine to a file and loads the save into a second
// engine.
//   embed_example [SAVE-FILE]   (default: stock-save.ie in the current folder)
#include <iostream>
#include <string>

#include "core/Exceptions.h"
#include "engine/InferenceEngine.h"
#include "facts/IEFacts.h"
#include "facts/IERule.h"
#include "functions/FunctionKit.h"
#include "functions/IEPackageComponents.h"
#include "values/IEValue.h"

namespace {

const char* const kRules = R"(
(deftemplate item (slot name) (slot stock (default 0)) (slot minimum (default 5)))
(deftemplate order (slot name) (slot quantity))

(defrule reorder "Orders what runs short: enough for twice the minimum"
  (item (name ?name) (stock ?stock) (minimum ?minimum))
  (test (< ?stock ?minimum))
  =>
  (assert (order (name ?name) (quantity (- (* 2 ?minimum) ?stock))))
  (printout t "Short of " ?name ": " ?stock " left" crlf))

(defrule confirm
  (order (name ?name) (quantity ?quantity))
  =>
  (printout t "Ordered " ?quantity " " ?name " from " (supplier ?name) crlf))
)";

// The engine ends its lines with CR LF; a terminal wants LF.
void Print(const std::string& text) {
  for (char c : text)
    if (c != '\r') std::cout << c;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string saveFile = argc > 1 ? argv[1] : "stock-save.ie";
  try {
    TInferenceEngine engine;
    engine.OnPrintOut = [](TObject*, const std::string&, const std::string& text) { Print(text); };
    engine.OnRuleFired = [](TObject*, TRule* rule) {
      std::cout << "  [fired " << rule->RuleName() << "]\n";
    };

    // A function of the rule language written in C++: a component owned by
    // the engine, registered with it by SetEngine. It survives Clear.
    auto* supplier = new TUserFunction(&engine);
    supplier->SetFunctionName("supplier");
    supplier->SetMinArgumentCount(1);
    supplier->SetMaxArgumentCount(1);
    supplier->OnCall = [](TObject*, TFunctionCall& call, TIEContext* context, IIEValue& result) {
      const std::string item = TextArgument(call, 0, context);
      result = TIEValue::MakeString(item == "nuts" ? "Acme Fasteners" : "Bolt & Co");
    };
    supplier->SetEngine(&engine);

    // Clear, load the constructs, reset (the engine holds (Initial-Fact)).
    engine.SetText(kRules);

    // A fact as text...
    engine.AssertString("(item (name bolts) (stock 2))");
    // ...and one built through the fact API.
    IFactRef nuts = MakeRef<TFact>(engine.GetFactTemplate("item"));
    nuts->SetSlotValue("name", TIEValue::MakeAtom("nuts"));
    nuts->SetSlotValue("stock", TIEValue::MakeInteger(1));
    nuts->SetSlotValue("minimum", TIEValue::MakeInteger(10));
    const int32_t nutsId = engine.AssertFact(nuts);
    engine.AssertString("(item (name washers) (stock 40))");
    std::cout << "nuts are fact " << nutsId << "; " << engine.FactCount() << " facts, "
              << engine.AgendaCount() << " activations\n";

    const int32_t fired = engine.Run();
    std::cout << "rules fired: " << fired << "\n";

    // Read the orders back.
    for (int32_t i = 0; i < engine.FactCount(); ++i) {
      const IFactRef& fact = engine.Facts().Get(i);
      if (fact->Template()->Name() != "order") continue;
      std::cout << "order: " << fact->GetSlotValue("name")->AsAtom() << " x "
                << fact->GetSlotValue("quantity")->AsInteger() << "\n";
    }

    // Errors of the rule language are exceptions with the engine's message.
    try {
      engine.Evaluate("(+ 1 \"two\")");
    } catch (const std::exception& e) {
      std::cout << "error: " << e.what() << "\n";
    }

    // The whole engine as rule-language text; it reads back into another engine.
    engine.SaveToFile(saveFile);
    TInferenceEngine copy;
    copy.Clear();
    copy.LoadFromFile(saveFile);
    std::cout << "saved to " << saveFile << "; the copy has " << copy.Rules().Rules().size()
              << " rules and " << copy.FactCount() << " facts\n";
    return 0;
  } catch (const std::exception& e) {
    std::cerr << "embed_example: " << e.what() << "\n";
    return 1;
  }
}
