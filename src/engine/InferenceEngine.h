// TInferenceEngine: the engine component a host creates (class "TInferenceEngine"
// in the component class registry). This unit holds the component itself: its
// published properties with their streaming defaults, its events, the engine
// lock, generated symbols, halting, the root evaluation context and the
// conversion of text to values of the types that need no parser.
//
// The engine owns its rule-language parser: the parse-from-text operations,
// LoadFromStream, LoadFromFile and Evaluate run text through it, and it reaches
// the engine back through IParserEngine and IFactEngine (templates by name,
// facts, the function registry, the root context, print-out).
// The remaining registries (rules, fact sets, globals), the fact list, agenda,
// network and I/O streams join this class as their layers arrive; the places
// they take are marked "Seam:" below.
//
// The engine implements the roles the built-in functions use
// (IEngineServices, values/EngineRoles.h) by forwarding to the members below;
// its root context, and every context derived from it, holds those roles.
//
// Ownership: the engine owns its root context, its parser, its templates'
// registry entries (shared references) and the function-package components it
// creates (AddDefaultPackages; they are csSubComponent, so the
// component stream does not write them, the engine recreates them from
// Packages). Events are not owned. Thread-safety: none by itself; a host that
// drives an engine from several threads brackets its calls with Lock/Unlock.
// Halted may be set from any thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "collections/RefCount.h"
#include "core/Component.h"
#include "collections/InterfaceCollections.h"
#include "core/IEInterfaces.h"
#include "engine/EngineAgenda.h"
#include "engine/EngineIO.h"
#include "engine/EngineRegistries.h"
#include "engine/EngineWorkingMemory.h"
#include "facts/IEFacts.h"
#include "facts/IERuleEngine.h"
#include "frontend/IEMorelParser.h"
#include "frontend/IEMorelStream.h"
#include "functions/IEPackages.h"
#include "functions/IReasoner.h"
#include "rete/EngineInspection.h"
#include "rete/IReteEngine.h"
#include "values/EngineRoles.h"
#include "values/IEValue.h"

class TIEContext;
class TActivation;
class TIEPattern;
class TReteNetwork;
class TRule;
class TStream;

// Event types (and TNotifyEvent, core/Persistent.h). Sender is the engine
// unless an event says otherwise.
using TAgendaEvent =
    std::function<void(TObject* sender, int32_t index, TActivation* activation)>;
using TRuleEvent = std::function<void(TObject* sender, TRule* rule)>;
using TFactEvent = std::function<void(TObject* sender, const IFact& fact)>;
using TFactTemplateEvent =
    std::function<void(TObject* sender, const IFactTemplate& factTemplate)>;
using TInferenceEvent = std::function<void(TObject* sender, int32_t rulesFired)>;
using TPrintOutEvent =
    std::function<void(TObject* sender, const std::string& outId, const std::string& text)>;
using TReadLineEvent =
    std::function<void(TObject* sender, const std::string& inId, std::string& text)>;
using TReadTokenEvent =
    std::function<void(TObject* sender, const std::string& inId, IStreamToken& token)>;

class TInferenceEngine : public TComponent,
                         public IReasoner,
                         public ISymbolGenerator,
                         public IParserEngine,
                         public IFactEngine,
                         public IRuleEngine,
                         public IReteEngine,
                         public IEngineServices,
                         public IEngineInspection {
 public:
  // The built-in package classes, in the order AddDefaultPackages creates them,
  // with the member of Packages that selects each.
  struct TDefaultPackage {
    TFunctionPackage Package;
    const char* ClassName;
  };
  static const std::vector<TDefaultPackage>& DefaultPackageClasses();
  // Registers this class and every built-in package and function class by
  // name, once per process (later calls return at once; thread-safe). The
  // constructor calls it; a host that creates engines or packages by class
  // name (reading a stored form) before it constructs an engine calls it first.
  static void RegisterClasses();
  // Values after construction, and the streaming defaults that differ from them.
  static constexpr TFunctionPackages ConstructionPackages{
      pStandard, pPredicate, pMath, pMiscellaneous, pString, pObject};
  static constexpr TFunctionPackages DefaultPackages{pStandard, pPredicate, pMiscellaneous};
  static constexpr int32_t DefaultParserMaxErrors = 10;

  explicit TInferenceEngine(TComponent* owner = nullptr);
  ~TInferenceEngine() override;
  std::string ClassName() const override { return "TInferenceEngine"; }

  // ---- Published properties (streaming order: see Properties).
  TDuplicateConstructs DuplicateConstructs() const noexcept { return duplicateConstructs_; }
  void SetDuplicateConstructs(TDuplicateConstructs value) noexcept { duplicateConstructs_ = value; }
  // The built-in packages the engine creates itself. Setting a different set
  // frees every owned package component (last first), stores the set and runs
  // AddDefaultPackages; setting the same set does nothing.
  TFunctionPackages Packages() const noexcept { return packages_; }
  void SetPackages(TFunctionPackages value);
  // Whether equal facts may be asserted twice.
  bool FactDuplication() const noexcept override { return factDuplication_; }
  void SetFactDuplication(bool value) noexcept override { factDuplication_ = value; }
  // FactTemplates and Rules are streamed as sub-objects (see Properties); the
  // fact list is streamed as the defined property "FactsList".
  // Both parser settings are copied into the parser as they are set.
  TErrorHandling ParserErrorHandling() const noexcept { return parserErrorHandling_; }
  void SetParserErrorHandling(TErrorHandling value) noexcept;
  int32_t ParserMaxErrors() const noexcept { return parserMaxErrors_; }
  void SetParserMaxErrors(int32_t value) noexcept;
  // Whether Reset restores the global variables to their declared values.
  bool ResetGlobals() const noexcept override { return resetGlobals_; }
  void SetResetGlobals(bool value) noexcept override { resetGlobals_ = value; }
  // Setting a different strategy re-sorts the agenda: every pending
  // activation enters again in its old order (announced again).
  TSearchStrategy Strategy() const noexcept { return strategy_; }
  void SetStrategy(TSearchStrategy value);
  // The counter of generated symbols. Setting a value greater than the current
  // index replaces it; any other value advances the index by one instead, so a
  // generated name is never handed out twice.
  int32_t SymbolIndex() const noexcept override { return symbolIndex_; }
  void SetSymbolIndex(int32_t value) noexcept override;
  // tcStatic is copied into the parser's StaticCheck.
  TTypeChecks TypeChecks() const noexcept override { return typeChecks_; }
  void SetTypeChecks(TTypeChecks value) noexcept override;
  TConstructWatches Watch() const noexcept override { return watch_; }
  void SetWatch(TConstructWatches value) noexcept override { watch_ = value; }

  // Name, then the engine's properties in the order above with the
  // sub-objects FactTemplates (after FactDuplication) and Rules (after
  // ParserMaxErrors), then "FactsList": the facts' texts, written when there
  // are facts; reading it asserts each text in order.
  void Properties(std::vector<TProperty>& props) override;
  void Notification(TComponent* component, TOperation operation) override;
  // The owned components the component stream writes: rules and fact sets
  // are left out (the rules travel as the "Rules" texts).
  void GetChildren(std::vector<TComponent*>& children) const override;

  // Creates one package component per member of Packages, owned by this
  // engine, in the order of DefaultPackageClasses, then raises
  // OnAddDefaultPackages. A package class is created through the component
  // class registry; one that is not registered (a host took it out) is not
  // created.
  virtual void AddDefaultPackages();

  // ---- The engine lock: recursive; created on the first Lock. Unlock by a
  // thread that does not hold the lock does nothing.
  void Lock();
  void Unlock();
  // Takes the lock when it is free within Timeout; false (and not taken)
  // otherwise. A thread that must keep serving others while it waits for the
  // lock (a window thread) takes it this way, waiting as Lock does.
  bool TryLockFor(std::chrono::milliseconds timeout);

  // Asks a running Run to stop before its next firing. Any thread.
  bool Halted() const noexcept override { return halted_.load(std::memory_order_acquire); }
  void SetHalted(bool value) noexcept override {
    halted_.store(value, std::memory_order_release);
  }

  // Prefix followed by the decimal SymbolIndex; the index then grows by one.
  std::string GenSym(const std::string& prefix) override;

  // ---- IReasoner: the user-function registry (UserFunctions), name to
  // function, with the duplicate-construct rule. AddFunction puts Function
  // under its name (true unless it has none).
  bool AddFunction(const IUserFunction& function) override;
  // Takes the entry under Function's name out when it holds that very function,
  // so unregistering a function never drops another one stored under its name.
  void RemoveFunction(const IUserFunction& function) override;
  bool FunctionExists(std::string_view name) const override;
  IUserFunction GetFunction(std::string_view name) const override;
  IStringIteratorRef Functions() const override;
  void PutFunction(std::string_view name, const IUserFunction& function) override;
  // The text forms, by the engine's parser (its construct printer).
  std::string FunCallText(const TFunctionCall& call) const override;
  std::string FactText(const TCustomFact& fact) const override;
  std::string UserFunctionText(const TIEUserFunction& function) const override;
  std::string DeffunctionText(const TInterpretedFunction& function) const override;

  // A new value of DataType made from Text: dtNone stays empty; dtAtom and the
  // variable and slot types are named Text; dtString drops all leading and then
  // all trailing double quotes; dtInteger and dtFactId are decimal 32-bit
  // integers and dtFloat a floating-point number (EConvertError on bad text);
  // dtFunCall and dtFact are parsed calls and facts, dtList the value ParseValue
  // reads (the shared empty multifield when there is none). Any other type
  // raises EIEException "Unable to parse strings of %s at this time", or
  // "Unknown Type (%d)" beyond the enumeration.
  IIEValue StringToValue(const std::string& text, TIEType dataType);

  // ---- The parser and its streams (factories a descendant may replace).
  // A new parser for this engine with ParserErrorHandling, ParserMaxErrors and
  // the static type check copied into it.
  virtual std::unique_ptr<TIEMorelParser> CreateParser();
  // A tokenizer over Stream (not owned) whose symbols come from this engine.
  virtual std::unique_ptr<TIEMorelStream> CreateTokenizerStream(TStream& stream);
  // A tokenizer owning the file FileName opened with Mode (EFOpenError...).
  virtual std::unique_ptr<TIEMorelStream> CreateTokenizerStream(const std::string& fileName,
                                                                uint16_t mode);
  TIEMorelParser& Parser() noexcept { return *parser_; }
  // The parser's events: they live in the parser; these reach them.
  TParseEvent& OnParse() noexcept { return parser_->OnParse; }
  TParseFactEvent& OnParseFact() noexcept { return parser_->OnParseFact; }
  TParseFactSetEvent& OnParseFactSet() noexcept { return parser_->OnParseFactSet; }
  TParseFactTemplateEvent& OnParseFactTemplate() noexcept { return parser_->OnParseFactTemplate; }
  TParseFunctionEvent& OnParseFunction() noexcept { return parser_->OnParseFunction; }
  TParseFunCallEvent& OnParseFunCall() noexcept { return parser_->OnParseFunCall; }
  TParseVariableEvent& OnParseVariable() noexcept { return parser_->OnParseVariable; }
  TParsePatternEvent& OnParsePattern() noexcept { return parser_->OnParsePattern; }
  TParseRuleEvent& OnParseRule() noexcept { return parser_->OnParseRule; }

  // ---- Loading: every construct and command of the text takes effect as it
  // is parsed, without clearing first (EIEParseException on bad text).
  void LoadFromStream(TStream& stream);
  // Opens FileName read-only (EFOpenError) and loads it.
  void LoadFromFile(const std::string& fileName) override;
  void Evaluate(const std::string& text);
  // Clear, then every construct of Stream.
  void ClearAndLoadFromStream(TStream& stream);
  // Clear, every construct of Text, then Reset.
  void SetText(const std::string& text);
  // The rule registry is emptied, then every construct of Stream is parsed.
  void LoadRulesFromStream(TStream& stream);

  // ---- Saving. The save text: the sections of templates, deffunctions,
  // rules and fact sets, then (only when there are any) the facts as one
  // assert command and the globals as one defglobal; it reads back with
  // LoadFromStream or SetText.
  std::string GetText();
  void SaveToStream(TStream& stream);
  // Creates or empties FileName (EFCreateError) and writes the save text.
  void SaveToFile(const std::string& fileName) override;
  // Each template's (rule's) text followed by CR LF, in registry order.
  void SaveFactTemplatesToStream(TStream& stream);
  void SaveRulesToStream(TStream& stream);

  // From another engine: Clear, the settings (not Packages nor SymbolIndex),
  // then the registries in turn: user functions, templates, the store-and-
  // fetch storage, globals, fact sets, facts (asserted here) and rules (made
  // again from their texts by this engine's parser). Any other source: the
  // component's own Assign.
  void Assign(const TPersistent* source) override;

  // ---- Parse-from-text: each reads Text with a temporary tokenizer installed
  // as the parser's stream; the parser's previous stream is back afterwards,
  // also when the parse raises, so a parse may run inside another one.
  IFactRef ParseFact(const std::string& text) override;
  IFunCall ParseFunCall(const std::string& text);
  IIEValue ParseValue(const std::string& text);
  IValueVector ParseList(const std::string& text);
  // Parses a call and evaluates it in the root context.
  IIEValue EvaluateFunCall(const std::string& text);

  // The construct parses of text (each as above): a template, one slot, a
  // fact set (owned by this engine and registered), a deffunction (not
  // registered), the globals of a defglobal (stored), one global definition.
  IFactTemplate ParseFactTemplate(const std::string& text);
  IFactSlot ParseSlot(const std::string& text);
  TFactSet* ParseFactSet(const std::string& text);
  IUserFunction ParseDefFunction(const std::string& text);
  bool ParseDefGlobal(const std::string& text);
  void ParseVariable(const std::string& text, std::string& name, IIEValue& value);
  // A new rule read from one defrule, owned by the caller, not registered.
  std::unique_ptr<TRule> ParseRuleText(const std::string& text) override;

  // ---- Templates: the registry by name (case-sensitive).
  // The registered template of that name; an implied one is made and
  // registered when there is none.
  IFactTemplate GetFactTemplate(const std::string& name) override;
  IFactTemplate FindFactTemplate(const std::string& name) override;
  // Puts Template into the registry (the duplicate-construct rule applies).
  void AddFactTemplate(const IFactTemplate& factTemplate) override;
  int32_t FactTemplateCount() const { return factTemplates_.Count(); }

  // ---- The registries (EngineRegistries.h) and the engine's operations on them.
  TFactTemplates& FactTemplates() noexcept { return factTemplates_; }
  TRules& Rules() noexcept { return rules_; }
  TUserFunctions& UserFunctions() noexcept { return userFunctions_; }
  TGlobalVariables& GlobalVariables() noexcept { return globalVariables_; }
  TEngineVariables& EngineVariables() noexcept { return engineVariables_; }
  TFactSets& FactSets() noexcept { return factSets_; }
  // True while the engine itself renames or re-keys registry entries.
  bool InternalChange() const noexcept { return internalChange_; }

  // Empties the engine: rules, templates (with working memory), globals, fact
  // sets, deffunctions (package functions stay) and the store-and-fetch
  // storage; then the two implied templates are made again (unless the engine
  // is being destroyed) and OnClear is raised, also when a step raised.
  void Clear() override;
  // OnRemoveRule; the network drops the rule; a rule this engine owns that is
  // not being destroyed already is freed.
  void RemoveRule(TRule& rule);
  // Nothing when the names are equal or OldName is not registered; EIEException
  // 'Duplicate Rules defined with same name: "%s"' when NewName is taken.
  // Otherwise the rule moves to NewName (staying compiled) and takes the name.
  void RenameRule(const std::string& oldName, const std::string& newName);
  // The network drops and compiles again a rule registered as that very object.
  void RecompileRule(TRule& rule);
  // Moves the registered template OldName to NewName (its dependents go, as
  // with any removal of a template).
  void RenameFactTemplate(const std::string& oldName, const std::string& newName);
  // Removes the queued facts, the facts and the rules of Template.
  void RemoveTemplateDependents(const TFactTemplate& factTemplate);
  // Empties the pending lists, the network, the fact list and the rule registry.
  void ClearWorkingMemory();
  // The root context's variable Name := Value; a call is evaluated first in a
  // child of the root context and its result is stored instead.
  void SetGlobal(const std::string& name, const IIEValue& value);
  // Takes Rule over as an owned component and registers it; returns it, or
  // none when the registry dropped it (a duplicate under dcIgnore).
  TRule* AddRule(std::unique_ptr<TRule> rule);
  // The rule counter (the next number NextRuleNumber hands out).
  int32_t RuleCounter() const noexcept { return ruleCounter_; }
  void SetRuleCounter(int32_t value) noexcept { ruleCounter_ = value; }

  // ---- IFactEngine (the rest).
  int32_t NextFactNumber() const override { return factCounter_; }
  bool DynamicTypeCheck() const override { return typeChecks_.Contains(tcDynamic); }
  void TemplateRenaming(TFactTemplate& factTemplate, const std::string& oldName,
                        const std::string& newName) override;
  // ---- Working memory (EngineWorkingMemory.cpp). AssertFact numbers Fact,
  // lists it, sends it into the network and returns its identifier; -1 (and
  // nothing else happens) when FactDuplication is off and an equal fact is
  // listed. EIEException "Fact Template is missing" for a fact without one.
  int32_t AssertFact(const IFactRef& fact) override;
  void PrepareAssert(const TFact& fact) const override;
  // ParseFact (Text), then AssertFact.
  int32_t AssertString(const std::string& text) override;
  // Retracts the fact at Index of the fact list (EListError outside it).
  void RetractFact(int32_t index);
  // Retract the fact with that identifier / the first fact equal to Fact /
  // that very fact object; nothing when there is none.
  void RetractById(int32_t id) override;
  void Retract(const TCustomFact* fact);
  void RetractSame(const TCustomFact* fact) override;
  // ParseFact (Text), then Retract.
  void RetractString(const std::string& text) override;
  // Queued facts: asserted (or retracted) once the current propagation ends.
  void QueueFact(const IFact& fact, bool assert) override;
  // Asserts every queued assertion, then retracts every queued retraction.
  void ProcessQueuedFacts();
  // The fact list was emptied: a clear token goes through the network (every
  // activation is withdrawn), then OnClearFacts.
  void FactsCleared();
  TFacts& Facts() noexcept { return facts_; }
  const TFacts& Facts() const noexcept { return facts_; }
  int32_t FactCount() const noexcept override { return facts_.Count(); }
  int32_t FactCounter() const noexcept { return factCounter_; }
  const TIList<TFact>& PendingAsserts() const noexcept { return pendingAsserts_; }
  const TIList<TFact>& PendingRetracts() const noexcept { return pendingRetracts_; }
  // Empties the fact list, asserts "(Initial-Fact)" as fact 0, restores the
  // globals (ResetGlobals), asserts the facts of every fact set, OnReset.
  void Reset() override;

  // ---- The agenda and the run loop (EngineAgenda.cpp).
  // The network's side: takes Activation over and places it by salience and
  // strategy (its rule's salience is evaluated again first).
  void AddActivation(std::unique_ptr<TActivation> activation) override;
  // Takes Activation off the agenda and hands it back; none when it is not
  // listed or when it is being fired (it stays alive until its firing ends).
  std::unique_ptr<TActivation> RemoveActivation(TActivation& activation) override;
  // OnRemoveActivation, watch line, then the line goes (its activation is
  // freed unless it is being fired).
  void RemoveActivation(int32_t index);
  // OnRuleFired, then the activation leaves the agenda.
  void RuleFired(TActivation& activation) override;
  // The insertion position for Salience under the strategy; -1 = append.
  int32_t GetAgendaIndex(int32_t salience) const;
  int32_t AgendaCount() const noexcept override { return agenda_.Count(); }
  // EListError outside the agenda.
  TActivation* GetActivation(int32_t index) const { return agenda_.Get(index); }
  const std::string& AgendaText(int32_t index) const override { return agenda_.Text(index); }
  // Puts Activation on line Index in place of the one there (freed unless
  // it is being fired).
  void SetActivationObject(int32_t index, std::unique_ptr<TActivation> activation);
  // The activation being fired (the innermost one in a nested run), or none.
  TActivation* CurrentActivation() const noexcept {
    return firing_.empty() ? nullptr : firing_.back();
  }
  // Fires the first activation until the agenda is empty, Halted is set or
  // Limit activations fired; returns the number fired. The lock is held
  // around each firing, and while Run reads the counts for its statistics,
  // prints them and keeps them; the loop test reads only the agenda's atomic
  // count and Halted without it. An exception of a firing ends the run and
  // passes on (the failed activation is dropped, the rest of the agenda stays).
  int32_t Run(int32_t limit = 2147483647) override;
  // Statistics of the last run (kept while no other run starts).
  struct TRunStatistics {
    int32_t RulesFired = 0;
    double RunTime = 0;  // seconds
    int32_t MaxFacts = 0;
    float SumFacts = 0;
    int32_t MaxActivations = 0;
    float SumActivations = 0;
    float MeanFacts = 0;
    float MeanActivations = 0;
  };
  // Another thread reads them under the engine's lock.
  const TRunStatistics& Statistics() const noexcept { return statistics_; }

  // ---- The network (IReteEngine) and the placeholders rules use.
  TReteNetwork* Rete() const noexcept { return rete_; }
  void ForEachFact(const std::function<void(const IFact&)>& visit) override;
  TTokenRef FactToken(const IFact& fact) override;
  IFact NotOrTestFact() override { return IFact(notOrTestFact_.get()); }
  TCustomFact* NotOrTestFactBorrowed() override { return notOrTestFact_.get(); }
  TIEPattern* InitialFactPattern() const noexcept { return initialFactPattern_.get(); }
  // The fact-set list: a set joins and leaves it through its Engine.
  void AddFactSet(TFactSet& factSet) override;
  void RemoveFactSet(TFactSet& factSet) override;
  // The text forms, by the engine's parser (its construct printer).
  std::string FactSetText(const TFactSet& factSet) const override;
  std::string FactText(const TFact& fact) const override;
  std::string SlotText(const TFactSlot& slot) const override;
  std::string TemplateText(const TFactTemplate& factTemplate) const override;

  // ---- IParserEngine.
  ISymbolGenerator* SymbolGenerator() override { return this; }
  IReasoner* FunctionTable() override { return this; }
  IFactEngine* FactEngine() override { return this; }
  TIEContext* RootContext() override { return context_.get(); }
  IRuleEngine* RuleEngine() override { return this; }
  // A new fact set made for this engine (not yet listed nor owned by it).
  std::unique_ptr<TFactSet> CreateFactSet() override;
  // The engine takes Set over as an owned component and lists it.
  TFactSet* RegisterFactSet(std::unique_ptr<TFactSet> factSet) override;
  // Puts a declared global into GlobalVariables (which sets its value).
  void PutGlobalVariable(const std::string& name, const IIEValue& value) override;

  // ---- IRuleEngine (the rest). Rules join and leave the rule registry and
  // report renames and changes here; texts come from the parser's printer.
  int32_t NextRuleNumber() override { return ruleCounter_++; }
  void RegisterRule(TRule& rule) override;
  void UnregisterRule(TRule& rule) override;
  void RuleRenamed(TRule& rule, const std::string& oldName, const std::string& newName) override;
  void RuleChanged(TRule& rule) override;
  std::string PatternText(const TIEPattern& pattern) override;
  std::string RuleText(const TRule& rule) override;

  // ---- Logical I/O streams, batch and dribble (EngineIO.cpp).
  // The table of streams the rule program opened, by logical name.
  TIOStreams& IOStreams() noexcept { return *ioStreams_; }
  // The registered stream of Name; EIEException "Invalid stream name: %s".
  TGTextStream& GetIOStream(const std::string& name) const;
  // Standard output ("t" or empty) goes to the dribble file when one is set,
  // else to OnPrintOut with OutID as received; another name goes to its open
  // stream; an unknown name is dropped when OnPrintOut is assigned and raises
  // "Function is unimplemented or unassigned: printout" otherwise. No line
  // break is added.
  void PrintOut(const std::string& outId, const std::string& text) override;
  void PrintOut(const std::string& text) { PrintOut(std::string(), text); }
  // The next token of a registered stream (the rest of its line is skipped);
  // for standard input the next token of the running batch file (echoed),
  // else the one OnReadToken supplies. EIEException naming "read" when no
  // source is there.
  void ReadToken(const std::string& inId, IStreamToken& token);
  // The next line of a registered stream (empty at its end); for standard
  // input the next line of the running batch file (echoed), else OnReadLine.
  // EIEException naming "readline" when no source is there.
  void ReadLine(const std::string& inId, std::string& text) override;
  // Evaluates Stream (not owned) line by line; reads of standard input take
  // the following lines meanwhile. Batches nest; the outer batch stream is
  // back afterwards, also when a line raised (the error passes on).
  bool Batch(TStream& stream);
  // Opens FileName read-only (EFOpenError) and runs Batch on it.
  bool BatchFile(const std::string& fileName) override;
  // Standard output goes only to Stream (owned) from now on; a previous
  // dribble stream is closed.
  bool DribbleOn(std::unique_ptr<TStream> stream);
  // Creates or empties FileName and dribbles to it; false (nothing raised)
  // when the file cannot be created.
  bool DribbleOnFile(const std::string& fileName) override;
  // Closes the dribble stream (if any); standard output reaches OnPrintOut again.
  bool DribbleOff() override;
  bool Dribbling() const noexcept { return bool(dribbleStream_); }
  // Fact files: every fact read from Stream is asserted; the facts (all, or
  // those of one template, by exact name) are written one text per line.
  void LoadFactsFromStream(TStream& stream);
  void LoadFactsFromFile(const std::string& fileName) override;
  void SaveFactsToStream(TStream& stream);
  void SaveFactsToFile(const std::string& fileName) override;
  void SaveFactsOfTemplate(TStream& stream, const std::string& templateName) override;

  // ---- Inspection by the diagnostics functions (EngineServices.cpp).
  TReteNetwork& Network() override { return *rete_; }
  TRule* FindRuleByName(const std::string& name) override;
  // How that very fact came to be while it is in working memory
  // (EngineProvenance.cpp).
  TFactOriginRef OriginOf(const IFact& fact) override;

  // ---- The roles (IEngineServices) that the members above do not already
  // implement (EngineServices.cpp): each forwards to those members.
  int32_t AssertFactValue(const IFact& fact) override;
  void RetractAllFacts() override;
  IFact FindFactById(int32_t id) override;
  IFact FactAt(int32_t index) const override;
  IIEValue FetchValue(const std::string& key) override;
  void StoreValue(const std::string& key, const IIEValue& value) override;
  void ClearStorage() override;
  std::vector<std::string> TemplateNames() const override;
  std::vector<std::string> RuleNames() const override;
  std::vector<std::string> FactSetNames() const override;
  std::vector<std::string> DeffunctionNames() const override;
  int32_t RuleCount() const override;
  std::string RulesText() const override;
  bool PrettyPrintFactSet(const std::string& name, std::string& text) override;
  bool PrettyPrintTemplate(const std::string& name, std::string& text) override;
  bool PrettyPrintRule(const std::string& name, std::string& text) override;
  std::string PrettyPrintFunction(const std::string& name) override;
  void UndefineFactSet(const std::string& name) override;
  void UndefineFunction(const std::string& name) override;
  void UndefineRule(const std::string& name) override;
  void UndefineTemplate(const std::string& name) override;
  void DeclareBackwardChaining(const std::string& name) override;
  bool ReadTokenValue(const std::string& inId, IIEValue& value) override;
  std::unique_ptr<TStream> OpenReadStream(const std::string& fileName, uint16_t mode) override;
  // A stream that is not yet a text stream is wrapped in one it owns.
  void AddIOStream(const std::string& name, std::unique_ptr<TStream> stream) override;
  void CloseIOStream(const std::string& name) override;
  void CloseAllIOStreams() override;
  TComponent* EngineComponent() noexcept override { return this; }

  // The root evaluation context: holds the current global values; rule
  // firings derive child contexts from it.
  TIEContext& Context() noexcept { return *context_; }

  // ---- Events (optional; each is tested before it is raised).
  TNotifyEvent OnAddDefaultPackages;
  TAgendaEvent OnAddActivation;
  TAgendaEvent OnRemoveActivation;
  TRuleEvent OnAddRule;
  TRuleEvent OnRemoveRule;
  TFactEvent OnAssertion;
  TFactEvent OnRetraction;
  TRuleEvent OnRuleFired;
  TFactTemplateEvent OnNewFactTemplate;
  TFactTemplateEvent OnRemoveFactTemplate;
  TNotifyEvent OnClear;
  TNotifyEvent OnClearFacts;
  TNotifyEvent OnClearFactTemplates;  // Sender: the template registry
  TNotifyEvent OnClearRules;
  TNotifyEvent OnReset;
  TNotifyEvent OnStartInference;
  TInferenceEvent OnEndInference;
  TPrintOutEvent OnPrintOut;
  TReadLineEvent OnReadLine;
  TReadTokenEvent OnReadToken;
  // Seam: the parser's events (OnParse, OnParseFact, ...) live in the parser;
  // the engine passes them through once the parser exists.

  // Sets every event to none (before destruction no event is raised).
  void ClearEvents();

 private:
  // Frees every owned package component, last owned component first.
  void FreePackages();
  // Runs Parse with a tokenizer over Text installed as the parser's stream.
  template <class TParse>
  auto ParseText(const std::string& text, TParse&& parse);
  // Runs ParseAll over Stream.
  void ParseAllOf(TIEMorelStream& stream);
  // Retracts the fact in Slot of the fact list (see TFacts): the retractions
  // that find their fact by itself or by its identifier go there straight,
  // without turning the slot into a list position and back.
  void RetractSlot(uint32_t slot);

  TDuplicateConstructs duplicateConstructs_ = dcOverwrite;
  TFunctionPackages packages_;
  bool factDuplication_ = false;
  TErrorHandling parserErrorHandling_ = ehRaiseImmediate;
  int32_t parserMaxErrors_ = DefaultParserMaxErrors;
  bool resetGlobals_ = true;
  TSearchStrategy strategy_ = ssDepthFirst;
  int32_t symbolIndex_ = 0;
  TTypeChecks typeChecks_;
  TConstructWatches watch_;

  std::atomic<bool> halted_{false};

  // The lock: created by the first Lock; owner and depth let Unlock ignore a
  // thread that does not hold it.
  std::once_flag lockOnce_;
  std::unique_ptr<std::recursive_timed_mutex> lock_;
  std::atomic<std::thread::id> lockOwner_{};
  int32_t lockDepth_ = 0;

  friend class TRules;
  // Sets InternalChange for a scope and restores it afterwards.
  class TInternalChange;
  // Frees a rule this engine owns, unless it is being destroyed or freed already.
  void FreeRule(TRule& rule);
  // Seam: the network compiles (and drops) rules here once it exists.
  void CompileRule(TRule& rule);
  void UncompileRule(TRule& rule);

  std::unique_ptr<TIEContext> context_;
  TGlobalVariables globalVariables_{this};
  TFactTemplates factTemplates_{this};
  TFactSets factSets_;
  TRules rules_{this};
  TEngineVariables engineVariables_{this};
  TUserFunctions userFunctions_{this};
  int32_t factCounter_ = 0;
  int32_t ruleCounter_ = 0;
  bool internalChange_ = false;
  bool destroying_ = false;
  std::vector<TRule*> freeing_;  // rules FreeRule is taking out right now
  std::unique_ptr<TIEMorelParser> parser_;

  // ---- Working memory, agenda and network (EngineWorkingMemory.cpp,
  // EngineAgenda.cpp).
  // Sets the fact list's Internal for a scope.
  class TInternalFacts;
  // Appends a line for Activation at its place, then the watch line and
  // OnAddActivation.
  void PlaceActivation(std::unique_ptr<TActivation> activation);
  // OnRemoveActivation and the watch line, then the line goes; its activation
  // is handed back, or kept alive (and none returned) while it is fired.
  std::unique_ptr<TActivation> TakeActivation(TActivation& activation);
  // Keeps Activation alive when it is being fired; hands it back otherwise.
  std::unique_ptr<TActivation> KeepIfFiring(std::unique_ptr<TActivation> activation);
  // The first agenda line whose activation is not being fired right now
  // (a rule that runs the engine must not fire its own activation again), or
  // none.
  TActivation* NextToFire() const;
  // One pass of the run loop under the lock: fires Activation (on the agenda).
  void Fire(TActivation* activation, TRunStatistics& statistics);
  void PrintStatistics(const TRunStatistics& statistics);
  // Empties the agenda without events; an activation being fired is kept.
  void ClearAgenda();
  // Empties both pending lists.
  void ClearPendingFacts();
  // The implied-template placeholders: made again after a clear.
  void CreatePlaceholders();
  // Removes the queued and listed facts of Template (from the end of each list).
  void RemoveTemplateFacts(const TFactTemplate& factTemplate);
  bool Watching(TConstructWatch watch) const noexcept {
    return watch_.Contains(watch) && bool(OnPrintOut);
  }

  // ---- Fact origins (EngineProvenance.cpp). What a fact asserted now is
  // recorded with: the ready record Origin, else the record of the firing of
  // OriginFiring, made on its first assertion (a firing that asserts nothing
  // makes none); neither: the host program. TOriginScope sets them for a
  // scope and restores them afterwards, also when the scope raises.
  class TOriginScope;
  TFactOriginRef CurrentOrigin();
  TFactOriginRef origin_;
  const TActivation* originFiring_ = nullptr;
  // Fact numbering starts anew at every reset and clear (FactEpoch counts
  // them). A firing's record made in an earlier epoch than the current one
  // would name facts by identifiers that now belong to others: the firing's
  // later facts are recorded with the rule alone. OriginEpoch is the epoch
  // the current origin was set in.
  uint32_t factEpoch_ = 0;
  uint32_t originEpoch_ = 0;
  // The rule name of the last firing record: the next record of the same
  // rule shares it.
  TOriginNameRef lastRuleName_;

  TFacts facts_{this};
  TIList<TFact> pendingAsserts_;
  TIList<TFact> pendingRetracts_;
  IFactRef notOrTestFact_;
  std::unique_ptr<TIEPattern> initialFactPattern_;
  // The network: owned here (not in the component tree, so it is neither
  // streamed nor counted among the engine's components); rete_ reads as none
  // once it is gone.
  std::unique_ptr<TReteNetwork> reteNetwork_;
  TReteNetwork* rete_ = nullptr;
  TAgenda agenda_;
  // The I/O streams (EngineIO.cpp): the table, the dribble file while one is
  // set (owned) and the innermost running batch's tokenizer (owned by Batch).
  std::unique_ptr<TIOStreams> ioStreams_ = std::make_unique<TIOStreams>();
  std::unique_ptr<TStream> dribbleStream_;
  TIEMorelStream* batchStream_ = nullptr;
  // The activations being fired, innermost last, and those of them that left
  // the agenda meanwhile (freed when their firing ends).
  std::vector<TActivation*> firing_;
  std::vector<std::unique_ptr<TActivation>> firingKept_;
  TRunStatistics statistics_;
};
