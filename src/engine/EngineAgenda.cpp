// The agenda and the run loop: activations placed by salience and strategy,
// withdrawn and fired; Run with its limit, halting, locking and statistics.
#include "engine/EngineAgenda.h"

#include <algorithm>
#include <chrono>
#include <exception>

#include "core/Exceptions.h"
#include "core/FloatText.h"
#include "core/IEConsts.h"
#include "engine/InferenceEngine.h"
#include "facts/IERule.h"
#include "rete/ReteNetwork.h"

// ---------------------------------------------------------------------------
// TAgenda

TAgenda::~TAgenda() = default;

void TAgenda::CheckIndex(int32_t index) const {
  if (index < 0 || size_t(index) >= lines_.size()) RaiseListIndexError(index);
}

TActivation* TAgenda::Get(int32_t index) const {
  CheckIndex(index);
  return lines_[size_t(index)].Activation.get();
}

const std::string& TAgenda::Text(int32_t index) const {
  CheckIndex(index);
  return lines_[size_t(index)].Text;
}

int32_t TAgenda::IndexOf(const TActivation* activation) const noexcept {
  for (size_t i = 0; i < lines_.size(); ++i)
    if (lines_[i].Activation.get() == activation) return int32_t(i);
  return -1;
}

int32_t TAgenda::Insert(int32_t index, std::string text, std::unique_ptr<TActivation> activation) {
  if (index == -1) index = int32_t(lines_.size());
  if (index < 0 || size_t(index) > lines_.size()) RaiseListIndexError(index);
  lines_.insert(lines_.begin() + index, TLine{std::move(text), std::move(activation)});
  Recount();
  return index;
}

std::unique_ptr<TActivation> TAgenda::Take(int32_t index) {
  CheckIndex(index);
  std::unique_ptr<TActivation> activation = std::move(lines_[size_t(index)].Activation);
  lines_.erase(lines_.begin() + index);
  Recount();
  return activation;
}

std::unique_ptr<TActivation> TAgenda::Replace(int32_t index,
                                              std::unique_ptr<TActivation> activation) {
  CheckIndex(index);
  std::swap(lines_[size_t(index)].Activation, activation);
  return activation;
}

std::vector<TAgenda::TLine> TAgenda::TakeAll() {
  std::vector<TLine> lines = std::move(lines_);
  lines_.clear();
  Recount();
  return lines;
}

void TAgenda::Clear() {
  // Taken out first: freeing an activation may look at the agenda.
  std::vector<TLine> lines = TakeAll();
  lines.clear();
}

// ---------------------------------------------------------------------------
// Placing and removing activations

namespace {

// The salience of the rule of an activation (0 without rule).
int32_t SalienceOf(const TActivation* activation) {
  return activation && activation->Rule() ? activation->Rule()->Salience() : 0;
}

}  // namespace

int32_t TInferenceEngine::GetAgendaIndex(int32_t salience) const {
  const int32_t n = agenda_.Count();
  if (n == 0) return -1;
  auto sal = [this](int32_t i) { return SalienceOf(agenda_.Get(i)); };
  // The boundary is the first position whose salience is at most (depth
  // first) or below (breadth first) the new one.
  const bool depthFirst = strategy_ == ssDepthFirst;
  auto behind = [&](int32_t i) { return depthFirst ? sal(i) <= salience : sal(i) < salience; };
  if (depthFirst) {
    if (behind(0)) return 0;
    if (!behind(n - 1)) return -1;
  } else {
    if (!behind(n - 1)) return -1;
    if (behind(0)) return 0;
  }
  // Position lo is in front of the boundary, hi behind it.
  int32_t lo = 0;
  int32_t hi = n - 1;
  while (hi - lo > 1) {
    const int32_t mid = (lo + hi) / 2;
    if (behind(mid))
      hi = mid;
    else
      lo = mid;
  }
  return hi;
}

void TInferenceEngine::PlaceActivation(std::unique_ptr<TActivation> activation) {
  TActivation* placed = activation.get();
  TRule* rule = placed->Rule();
  std::string text = placed->Text();
  const int32_t index =
      agenda_.Insert(GetAgendaIndex(rule ? rule->Salience() : 0), text, std::move(activation));
  if (Watching(cwActivation)) PrintOut("", SWatchActivationAdded + text + SWatchLineEnd);
  if (OnAddActivation) OnAddActivation(this, index, placed);
}

void TInferenceEngine::AddActivation(std::unique_ptr<TActivation> activation) {
  if (!activation) return;
  // Salience may depend on globals: it is computed as each activation enters.
  if (TRule* rule = activation->Rule()) rule->EvaluateSalience();
  PlaceActivation(std::move(activation));
}

std::unique_ptr<TActivation> TInferenceEngine::KeepIfFiring(std::unique_ptr<TActivation> activation) {
  for (TActivation* firing : firing_) {
    if (firing == activation.get()) {
      firingKept_.push_back(std::move(activation));
      return nullptr;
    }
  }
  return activation;
}

std::unique_ptr<TActivation> TInferenceEngine::TakeActivation(int32_t index) {
  TActivation* activation = agenda_.Get(index);
  if (OnRemoveActivation) OnRemoveActivation(this, index, activation);
  if (Watching(cwActivation))
    PrintOut("", SWatchActivationRemoved + agenda_.Text(index) + SWatchLineEnd);
  // The event may have changed the agenda: the line is looked up again.
  const int32_t at = agenda_.IndexOf(activation);
  if (at < 0) return nullptr;
  return KeepIfFiring(agenda_.Take(at));
}

void TInferenceEngine::RemoveActivation(int32_t index) {
  std::unique_ptr<TActivation> removed = TakeActivation(index);
}

std::unique_ptr<TActivation> TInferenceEngine::RemoveActivation(TActivation& activation) {
  const int32_t index = agenda_.IndexOf(&activation);
  if (index < 0) return nullptr;
  return TakeActivation(index);
}

void TInferenceEngine::RuleFired(TActivation& activation) {
  if (OnRuleFired) OnRuleFired(this, activation.Rule());
  std::unique_ptr<TActivation> removed = RemoveActivation(activation);
}

void TInferenceEngine::SetActivationObject(int32_t index, std::unique_ptr<TActivation> activation) {
  std::unique_ptr<TActivation> previous = KeepIfFiring(agenda_.Replace(index, std::move(activation)));
}

void TInferenceEngine::ClearAgenda() {
  for (TAgenda::TLine& line : agenda_.TakeAll()) {
    std::unique_ptr<TActivation> freed = KeepIfFiring(std::move(line.Activation));
  }
}

void TInferenceEngine::SetStrategy(TSearchStrategy value) {
  if (value == strategy_) return;
  std::vector<TAgenda::TLine> lines = agenda_.TakeAll();
  strategy_ = value;
  // Each activation enters again in its old order, announced as it enters.
  size_t next = 0;
  try {
    for (; next < lines.size(); ++next) AddActivation(std::move(lines[next].Activation));
  } catch (...) {
    // The activation that failed to enter is dropped; the rest stay, behind
    // the ones placed already.
    for (++next; next < lines.size(); ++next)
      agenda_.Insert(-1, std::move(lines[next].Text), std::move(lines[next].Activation));
    throw;
  }
}

// ---------------------------------------------------------------------------
// The run loop

namespace {

double ClockMilliseconds() {
  using namespace std::chrono;
  return double(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

// Leaves the engine's lock when it goes, also when a firing raised.
class TEngineLockGuard {
 public:
  explicit TEngineLockGuard(TInferenceEngine& engine) : engine_(engine) { engine_.Lock(); }
  ~TEngineLockGuard() { engine_.Unlock(); }
  TEngineLockGuard(const TEngineLockGuard&) = delete;
  TEngineLockGuard& operator=(const TEngineLockGuard&) = delete;

 private:
  TInferenceEngine& engine_;
};

}  // namespace

int32_t TInferenceEngine::NextToFire() const {
  const int32_t count = agenda_.Count();
  if (firing_.empty()) return count > 0 ? 0 : -1;
  for (int32_t index = 0; index < count; ++index)
    if (std::find(firing_.begin(), firing_.end(), agenda_.Get(index)) == firing_.end())
      return index;
  return -1;
}

void TInferenceEngine::FireAt(int32_t index, TRunStatistics& statistics) {
  TActivation* activation = agenda_.Get(index);
  if (Watching(cwRule)) {
    TRule* rule = activation->Rule();
    PrintOut("", SWatchFire + std::to_string(statistics.RulesFired) + " " +
                     (rule ? rule->RuleName() : std::string()) + " " +
                     activation->ReteToken()->FactIdsText() + SWatchLineEnd);
  }
  firing_.push_back(activation);
  std::exception_ptr error;
  try {
    activation->Fire();
    if (watch_.Contains(cwStatistics)) {
      const int32_t facts = facts_.Count();
      const int32_t activations = agenda_.Count();
      statistics.SumFacts += float(facts);
      if (facts > statistics.MaxFacts) statistics.MaxFacts = facts;
      statistics.SumActivations += float(activations);
      if (activations > statistics.MaxActivations) statistics.MaxActivations = activations;
    }
  } catch (...) {
    error = std::current_exception();
  }
  // A firing that raised before its rule was reported left its line on the
  // agenda: it leaves now (with its event), so no line points at a freed
  // activation and the network no longer lists it.
  if (error) {
    const int32_t index = agenda_.IndexOf(activation);
    if (index >= 0) {
      try {
        RemoveActivation(index);
      } catch (...) {
      }
    }
  }
  firing_.pop_back();
  for (auto it = firingKept_.begin(); it != firingKept_.end(); ++it) {
    if (it->get() == activation) {
      std::unique_ptr<TActivation> freed = std::move(*it);
      firingKept_.erase(it);
      break;
    }
  }
  if (error) std::rethrow_exception(error);
  ++statistics.RulesFired;
}

int32_t TInferenceEngine::Run(int32_t limit) {
  if (OnStartInference) OnStartInference(this);
  TRunStatistics statistics;
  const double start = ClockMilliseconds();
  statistics.MaxFacts = facts_.Count();
  statistics.MaxActivations = agenda_.Count();
  SetHalted(false);
  statistics_ = statistics;
  try {
    while (NextToFire() >= 0 && !Halted() && statistics.RulesFired < limit) {
      TEngineLockGuard lock(*this);
      if (Halted()) break;
      if (const int32_t index = NextToFire(); index >= 0) FireAt(index, statistics);
    }
  } catch (...) {
    statistics_ = statistics;
    throw;
  }
  if (watch_.Contains(cwStatistics)) {
    statistics.RunTime = (ClockMilliseconds() - start) / 1000;
    if (statistics.RulesFired > 0) {
      statistics.MeanFacts = statistics.SumFacts / float(statistics.RulesFired);
      statistics.MeanActivations = statistics.SumActivations / float(statistics.RulesFired);
      if (OnPrintOut) PrintStatistics(statistics);
    }
  }
  statistics_ = statistics;
  if (OnEndInference) OnEndInference(this, statistics.RulesFired);
  return statistics.RulesFired;
}

void TInferenceEngine::PrintStatistics(const TRunStatistics& statistics) {
  const std::string fired = std::to_string(statistics.RulesFired);
  PrintOut("", fired + SStatRulesFired + FloatToText(statistics.RunTime) + SStatSeconds +
                   SWatchLineEnd);
  const std::string perSecond = statistics.RunTime == 0
                                    ? fired
                                    : FloatToText(statistics.RulesFired / statistics.RunTime);
  PrintOut("", perSecond + SStatRulesPerSecond + SWatchLineEnd);
  PrintOut("", FloatToText(statistics.MeanFacts) + SStatMeanFacts +
                   std::to_string(statistics.MaxFacts) + SStatMaximum + SWatchLineEnd);
  PrintOut("", FloatToText(statistics.MeanActivations) + SStatMeanActivations +
                   std::to_string(statistics.MaxActivations) + SStatMaximum + SWatchLineEnd);
}
