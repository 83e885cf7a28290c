// TFactSet: the deffacts construct, a named component holding fact lines.
// Each line is a fact's text with the parsed fact attached (none until
// parsed); a line given as text is parsed by the engine's fact parser
// (IFactEngine::ParseFact) when first needed.
// Ownership: a fact set is a component owned by its owner (the engine's
// registry); it holds one reference per attached fact. The engine is not owned;
// when the engine is a component, its destruction clears the link.
// Thread-safety: none; used by one engine thread at a time.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "core/Component.h"
#include "facts/IEFacts.h"

std::string DefaultFactSetText(const TFactSet& factSet);

class TFactSet : public TComponent {
 public:
  // FactSetName "FactSet"; an owner that is an engine becomes the Engine.
  explicit TFactSet(TComponent* owner = nullptr);
  ~TFactSet() override;
  std::string ClassName() const override { return "TFactSet"; }

  const std::string& FactSetName() const noexcept { return factSetName_; }
  void SetFactSetName(const std::string& name) { factSetName_ = name; }
  const std::string& Comment() const noexcept { return comment_; }
  void SetComment(const std::string& comment) { comment_ = comment; }
  // Where the set was defined ("file:line" or "line N"); empty when made in code.
  const std::string& Source() const noexcept { return source_; }
  void SetSource(std::string source) { source_ = std::move(source); }
  IFactEngine* Engine() const noexcept { return engine_; }
  // Leaves the old engine's registry, joins the new one and re-parses every
  // line with it.
  void SetEngine(IFactEngine* engine);

  // Appends a line with Fact attached (its text is Fact's); returns the line
  // index.
  int32_t AddFact(const IFactRef& fact);
  // Appends a line of fact text, parsed when first needed.
  int32_t AddFactText(const std::string& text);
  int32_t FactCount() const noexcept { return int32_t(lines_.size()); }
  // The fact of line Index (EListError SListIndexError out of range); an
  // unparsed line is parsed by the engine's fact parser and attached. None when
  // the line is unparsed and there is no engine.
  IFactRef GetFact(int32_t index);
  // The fact attached to line Index (none when not parsed yet); nothing is
  // parsed. EListError SListIndexError out of range.
  const IFactRef& AttachedFact(int32_t index) const;
  // The line texts.
  std::vector<std::string> Facts() const;
  // Replaces the lines; with an engine every line is parsed and attached.
  void SetFacts(const std::vector<std::string>& lines);
  void ClearFacts() { lines_.clear(); }
  // Asserts the fact of every line in order through the engine.
  void AssertFacts();

  // Clears List and adds the attached facts in line order (none for a line
  // not parsed yet).
  void AssignFactsTo(TIList<TFact>& list) const;

  // Copies Comment, the name and every fact of Source (parsed if needed).
  void Assign(const TPersistent* source) override;
  // The deffacts text, by the engine's printer.
  std::string AsText() const;

  // Published: Name, Comment, FactSetName (default "FactSet"); then the
  // defined property Facts (the lines).
  void Properties(std::vector<TProperty>& props) override;
  void Notification(TComponent* component, TOperation operation) override;
  void Loaded() override;

 private:
  // A line given as text keeps it until it is parsed; a line given as a fact
  // has its text made from the fact when asked (facts of a set are not
  // changed in place), which most sets never are. The text is kept behind a
  // pointer: the lines given as facts, most of them, carry none.
  struct TLine {
    std::unique_ptr<std::string> Text;
    IFactRef Fact;  // none until parsed
  };
  static std::string TextOf(const TLine& line);
  void Reparse();

  std::vector<TLine> lines_;
  std::string factSetName_ = "FactSet";
  std::string source_;
  std::string comment_;
  IFactEngine* engine_ = nullptr;
  TComponent* engineComponent_ = nullptr;  // the engine as a component, when it is one
};
