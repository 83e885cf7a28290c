// The roles of an engine: what the built-in functions need of the engine they
// run in, as small abstract classes, and IEngineServices, the one interface
// that joins them and that an evaluation context (TIEContext) holds. The
// engine component implements every role; a function reaches its engine only
// through them, so the function packages need no engine header and lie below
// the engine in the layer order. The function registry and the text forms of
// calls stay in IReasoner (functions/IReasoner.h).
//
// The roles speak in values, names and texts only: facts travel as IFact,
// streams as TStream, so that this layer knows no type of the layers above.
//
// Ownership: a role is a view of its engine and owns nothing; the engine is
// owned by its host. Results are owned as their types say (shared handles,
// copies, or a stream the caller takes over).
// Thread-safety: as the engine's: every call on the thread that drives the
// engine (or under its lock); SetHalted alone may be called from any thread.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/IEInterfaces.h"
#include "values/IEValue.h"

class TComponent;
class TStream;

// Working memory: asserting, retracting and finding facts, the duplicate
// setting, and the store-and-fetch storage.
class IWorkingMemory {
 public:
  virtual ~IWorkingMemory() = default;

  // Numbers, lists and propagates Fact (a fact of the engine's kind); its
  // identifier, -1 when it was refused as a duplicate.
  virtual int32_t AssertFactValue(const IFact& fact) = 0;
  // Parses Text as a fact and asserts it; the identifier as above.
  virtual int32_t AssertString(const std::string& text) = 0;
  // Retracts the fact with that identifier; nothing when there is none.
  virtual void RetractById(int32_t id) = 0;
  // Retracts that very fact object; nothing when it is not listed.
  virtual void RetractSame(const TCustomFact* fact) = 0;
  // Parses Text as a fact and retracts the first listed fact equal to it.
  virtual void RetractString(const std::string& text) = 0;
  // Retracts every fact (the fact list is emptied as by the list itself).
  virtual void RetractAllFacts() = 0;
  // The listed fact with that identifier, or none.
  virtual IFact FindFactById(int32_t id) = 0;
  // The fact list in its order: its length and the fact at Index (EListError
  // outside it).
  virtual int32_t FactCount() const noexcept = 0;
  virtual IFact FactAt(int32_t index) const = 0;

  // Whether equal facts may be asserted twice.
  virtual bool FactDuplication() const noexcept = 0;
  virtual void SetFactDuplication(bool value) noexcept = 0;

  // The store-and-fetch storage: the value stored under Key (none when there
  // is none), storing (a none value is stored as none), emptying.
  virtual IIEValue FetchValue(const std::string& key) = 0;
  virtual void StoreValue(const std::string& key, const IIEValue& value) = 0;
  virtual void ClearStorage() = 0;
};

// The agenda and the run loop.
class IAgendaControl {
 public:
  virtual ~IAgendaControl() = default;

  // Fires activations until the agenda is empty, the engine is halted or
  // Limit fired; the number fired.
  virtual int32_t Run(int32_t limit = 2147483647) = 0;
  // Asks a running Run to stop before its next firing. Any thread.
  virtual bool Halted() const noexcept = 0;
  virtual void SetHalted(bool value) noexcept = 0;
  // The agenda's lines: their number and the text of line Index (EListError
  // outside the agenda).
  virtual int32_t AgendaCount() const noexcept = 0;
  virtual const std::string& AgendaText(int32_t index) const = 0;
};

// The registries of constructs: templates, rules, fact sets (deffacts) and
// deffunctions: their names, their printed forms, their removal.
class IConstructRegistries {
 public:
  virtual ~IConstructRegistries() = default;

  // The names in registry order (unsorted). Deffunctions: the name of each
  // registered function.
  virtual std::vector<std::string> TemplateNames() const = 0;
  virtual std::vector<std::string> RuleNames() const = 0;
  virtual std::vector<std::string> FactSetNames() const = 0;
  virtual std::vector<std::string> DeffunctionNames() const = 0;
  virtual int32_t RuleCount() const = 0;
  // Every rule's text followed by CR LF, in registry order.
  virtual std::string RulesText() const = 0;

  // The printed form of the construct of that name into Text; false (Text
  // untouched) when there is none.
  virtual bool PrettyPrintFactSet(const std::string& name, std::string& text) = 0;
  virtual bool PrettyPrintTemplate(const std::string& name, std::string& text) = 0;
  virtual bool PrettyPrintRule(const std::string& name, std::string& text) = 0;
  // The printed form of the registered function Name; the registry's error
  // "No such element: %s" when there is none.
  virtual std::string PrettyPrintFunction(const std::string& name) = 0;

  // Removals by name; nothing happens for a name that is not registered
  // (the registries' own rules apply). A fact set the engine owns is freed,
  // another one only leaves the engine.
  virtual void UndefineFactSet(const std::string& name) = 0;
  virtual void UndefineFunction(const std::string& name) = 0;
  virtual void UndefineRule(const std::string& name) = 0;
  virtual void UndefineTemplate(const std::string& name) = 0;

  // Marks the template Name (made as an implied one when missing) for
  // backward chaining and registers its goal template (need-<name>).
  virtual void DeclareBackwardChaining(const std::string& name) = 0;
};

// The logical I/O streams, reads, fact files, batch and dribble.
class IEngineStreams {
 public:
  virtual ~IEngineStreams() = default;

  // Writes Text to the logical stream OutID ("t" or empty: standard output).
  virtual void PrintOut(const std::string& outId, const std::string& text) = 0;
  void PrintOut(const std::string& text) { PrintOut(std::string(), text); }
  // The next token of the logical stream InID as a value into Value; false
  // when no token came or the input is at its end.
  virtual bool ReadTokenValue(const std::string& inId, IIEValue& value) = 0;
  // The next line of the logical stream InID (empty at its end).
  virtual void ReadLine(const std::string& inId, std::string& text) = 0;

  // A reading stream over FileName opened with Mode (EFOpenError), of the
  // kind the engine reads tokens from; the caller owns it.
  virtual std::unique_ptr<TStream> OpenReadStream(const std::string& fileName,
                                                  uint16_t mode) = 0;
  // Registers Stream (taken over) under the logical Name.
  virtual void AddIOStream(const std::string& name, std::unique_ptr<TStream> stream) = 0;
  // Closes the stream of Name (EIEException "Invalid stream name: %s" when
  // none is registered) / every registered stream.
  virtual void CloseIOStream(const std::string& name) = 0;
  virtual void CloseAllIOStreams() = 0;

  // Writes the engine as rule text to FileName.
  virtual void SaveToFile(const std::string& fileName) = 0;
  // Fact files: every fact read is asserted; all facts, or those of one
  // template (by exact name), are written one text per line.
  virtual void LoadFactsFromFile(const std::string& fileName) = 0;
  virtual void SaveFactsToFile(const std::string& fileName) = 0;
  virtual void SaveFactsOfTemplate(TStream& stream, const std::string& templateName) = 0;
  // Runs the commands of FileName line by line.
  virtual bool BatchFile(const std::string& fileName) = 0;
  // Standard output goes to FileName from now on instead of the host (false
  // when the file cannot be created) / to the host again.
  virtual bool DribbleOnFile(const std::string& fileName) = 0;
  virtual bool DribbleOff() = 0;
};

// The engine's settings, loading text, clearing and resetting.
class IEngineSettings {
 public:
  virtual ~IEngineSettings() = default;

  virtual TConstructWatches Watch() const noexcept = 0;
  virtual void SetWatch(TConstructWatches value) noexcept = 0;
  virtual TTypeChecks TypeChecks() const noexcept = 0;
  virtual void SetTypeChecks(TTypeChecks value) noexcept = 0;
  // Whether Reset restores the global variables to their declared values.
  virtual bool ResetGlobals() const noexcept = 0;
  virtual void SetResetGlobals(bool value) noexcept = 0;
  // The counter of generated symbols and the next generated symbol.
  virtual int32_t SymbolIndex() const noexcept = 0;
  virtual void SetSymbolIndex(int32_t value) noexcept = 0;
  virtual std::string GenSym(const std::string& prefix) = 0;

  // Loads every construct and command of FileName.
  virtual void LoadFromFile(const std::string& fileName) = 0;
  // Empties the engine / restores working memory to its initial facts.
  virtual void Clear() = 0;
  virtual void Reset() = 0;
};

// All roles of one engine; what a context holds.
class IEngineServices : public IWorkingMemory,
                        public IAgendaControl,
                        public IConstructRegistries,
                        public IEngineStreams,
                        public IEngineSettings {
 public:
  // The engine as a component (the key of per-engine data), or none.
  virtual TComponent* EngineComponent() noexcept = 0;
};
