// The agenda and the run loop: activations placed by salience and strategy,
// withdrawn and fired; Run with its limit, halting, locking and statistics.
#include "engine/EngineAgenda.h"

#include <algorithm>
#include <chrono>
#include <exception>

#include "core/Exceptions.h"
#include "core/FloatText.h"
#include "core/IEConsts.h"
#include "engine/EngineOriginScope.h"
#include "engine/InferenceEngine.h"
#include "facts/IERule.h"
#include "rete/ReteNetwork.h"

// ---------------------------------------------------------------------------
// TAgenda

TAgenda::~TAgenda() { Clear(); }

void TAgenda::CheckIndex(int32_t index) const {
  if (index < 0 || index >= lines_) RaiseListIndexError(index);
}

TActivation* TAgenda::Next(const TActivation& activation) { return activation.AgendaHook().Next; }

TActivation* TAgenda::Get(int32_t index) const {
  CheckIndex(index);
  if (index == 0) return first_;
  if (index == lines_ - 1) return last_;
  // From the nearest of the first line and the cursor.
  TActivation* line = first_;
  int32_t at = 0;
  if (cursorIndex_ >= 0 && cursorIndex_ <= index) {
    line = cursor_;
    at = cursorIndex_;
  }
  for (; at < index; ++at) line = line->AgendaHook().Next;
  cursorIndex_ = index;
  cursor_ = line;
  return line;
}

const std::string& TAgenda::Text(int32_t index) const { return Text(*Get(index)); }

const std::string& TAgenda::Text(TActivation& activation) const {
  TActivation::TAgendaHook& hook = activation.AgendaHook();
  if (!hook.Text) hook.Text = std::make_unique<std::string>(activation.Text());
  return *hook.Text;
}

bool TAgenda::Holds(const TActivation* activation) const noexcept {
  return activation && activation->AgendaHook().Agenda == this;
}

int32_t TAgenda::LinesAbove(TLevels::const_iterator level) const {
  int32_t above = 0;
  for (auto it = levels_.begin(); it != level; ++it) above += it->second.Count;
  return above;
}

int32_t TAgenda::IndexOf(const TActivation* activation) const noexcept {
  if (!Holds(activation)) return -1;
  auto level = levels_.find(activation->AgendaHook().Salience);
  if (level == levels_.end()) return -1;
  int32_t index = LinesAbove(level);
  for (const TActivation* line = level->second.First; line != activation;
       line = line->AgendaHook().Next)
    ++index;
  return index;
}

int32_t TAgenda::PositionFor(int32_t salience, bool front) const {
  int32_t position = 0;
  for (const auto& [levelSalience, level] : levels_) {
    if (levelSalience < salience || (front && levelSalience == salience)) break;
    position += level.Count;
  }
  return position;
}

void TAgenda::LinkBefore(TActivation& activation, TActivation* before) {
  TActivation::TAgendaHook& hook = activation.AgendaHook();
  hook.Agenda = this;
  hook.Next = before;
  hook.Prev = before ? before->AgendaHook().Prev : last_;
  (hook.Prev ? hook.Prev->AgendaHook().Next : first_) = &activation;
  (before ? before->AgendaHook().Prev : last_) = &activation;
  ++lines_;
}

void TAgenda::Unlink(TActivation& activation) {
  TActivation::TAgendaHook& hook = activation.AgendaHook();
  (hook.Prev ? hook.Prev->AgendaHook().Next : first_) = hook.Next;
  (hook.Next ? hook.Next->AgendaHook().Prev : last_) = hook.Prev;
  hook.Prev = hook.Next = nullptr;
  hook.Agenda = nullptr;
  --lines_;
}

int32_t TAgenda::Place(int32_t salience, bool front, std::unique_ptr<TActivation> activation) {
  TActivation* line = activation.release();
  line->AgendaHook().Salience = salience;
  auto [it, made] = levels_.try_emplace(salience);
  TLevel& level = it->second;
  int32_t position = LinesAbove(it);
  if (made) {
    auto below = std::next(it);
    LinkBefore(*line, below == levels_.end() ? nullptr : below->second.First);
    level.First = level.Last = line;
  } else if (front) {
    LinkBefore(*line, level.First);
    level.First = line;
  } else {
    LinkBefore(*line, level.Last->AgendaHook().Next);
    level.Last = line;
    position += level.Count;
  }
  ++level.Count;
  Changed();
  return position;
}

std::unique_ptr<TActivation> TAgenda::Take(TActivation& activation) {
  if (!Holds(&activation)) return nullptr;
  auto level = levels_.find(activation.AgendaHook().Salience);
  TActivation* next = activation.AgendaHook().Next;
  TActivation* prev = activation.AgendaHook().Prev;
  if (level != levels_.end()) {
    TLevel& lines = level->second;
    if (--lines.Count == 0) {
      levels_.erase(level);
    } else {
      if (lines.First == &activation) lines.First = next;
      if (lines.Last == &activation) lines.Last = prev;
    }
  }
  Unlink(activation);
  Changed();
  return std::unique_ptr<TActivation>(&activation);
}

std::unique_ptr<TActivation> TAgenda::Replace(TActivation& old,
                                              std::unique_ptr<TActivation> activation) {
  if (!Holds(&old) || !activation) return activation;
  TActivation* line = activation.release();
  const int32_t salience = old.AgendaHook().Salience;
  line->AgendaHook().Salience = salience;
  line->AgendaHook().Text.reset();
  LinkBefore(*line, &old);
  TLevel& level = levels_[salience];
  if (level.First == &old) level.First = line;
  if (level.Last == &old) level.Last = line;
  Unlink(old);
  Changed();
  return std::unique_ptr<TActivation>(&old);
}

std::vector<std::unique_ptr<TActivation>> TAgenda::TakeAll() {
  std::vector<std::unique_ptr<TActivation>> lines;
  lines.reserve(size_t(lines_));
  while (first_) {
    TActivation* line = first_;
    Unlink(*line);
    lines.emplace_back(line);
  }
  levels_.clear();
  Changed();
  return lines;
}

void TAgenda::Clear() {
  // Taken out first: freeing an activation may look at the agenda.
  std::vector<std::unique_ptr<TActivation>> lines = TakeAll();
  lines.clear();
}

// ---------------------------------------------------------------------------
// Placing and removing activations

int32_t TInferenceEngine::GetAgendaIndex(int32_t salience) const {
  const int32_t index = agenda_.PositionFor(salience, strategy_ == ssDepthFirst);
  return index == agenda_.Count() ? -1 : index;
}

void TInferenceEngine::PlaceActivation(std::unique_ptr<TActivation> activation) {
  TActivation* placed = activation.get();
  TRule* rule = placed->Rule();
  const int32_t index =
      agenda_.Place(rule ? rule->Salience() : 0, strategy_ == ssDepthFirst, std::move(activation));
  if (Watching(cwActivation))
    PrintOut("", SWatchActivationAdded + agenda_.Text(*placed) + SWatchLineEnd);
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

std::unique_ptr<TActivation> TInferenceEngine::TakeActivation(TActivation& activation) {
  if (OnRemoveActivation) OnRemoveActivation(this, agenda_.IndexOf(&activation), &activation);
  if (Watching(cwActivation))
    PrintOut("", SWatchActivationRemoved + agenda_.Text(activation) + SWatchLineEnd);
  // The event may have taken the line away meanwhile.
  return KeepIfFiring(agenda_.Take(activation));
}

void TInferenceEngine::RemoveActivation(int32_t index) {
  std::unique_ptr<TActivation> removed = TakeActivation(*agenda_.Get(index));
}

std::unique_ptr<TActivation> TInferenceEngine::RemoveActivation(TActivation& activation) {
  if (!agenda_.Holds(&activation)) return nullptr;
  return TakeActivation(activation);
}

void TInferenceEngine::RuleFired(TActivation& activation) {
  if (OnRuleFired) OnRuleFired(this, activation.Rule());
  std::unique_ptr<TActivation> removed = RemoveActivation(activation);
}

void TInferenceEngine::SetActivationObject(int32_t index, std::unique_ptr<TActivation> activation) {
  std::unique_ptr<TActivation> previous =
      KeepIfFiring(agenda_.Replace(*agenda_.Get(index), std::move(activation)));
}

void TInferenceEngine::ClearAgenda() {
  for (std::unique_ptr<TActivation>& line : agenda_.TakeAll())
    std::unique_ptr<TActivation> freed = KeepIfFiring(std::move(line));
}

void TInferenceEngine::SetStrategy(TSearchStrategy value) {
  if (value == strategy_) return;
  std::vector<std::unique_ptr<TActivation>> lines = agenda_.TakeAll();
  strategy_ = value;
  // Each activation enters again in its old order, announced as it enters.
  size_t next = 0;
  try {
    for (; next < lines.size(); ++next) AddActivation(std::move(lines[next]));
  } catch (...) {
    // The activation that failed to enter is dropped; the rest stay, each
    // behind the ones of its salience placed already.
    for (++next; next < lines.size(); ++next) {
      TActivation& line = *lines[next];
      agenda_.Place(line.AgendaHook().Salience, false, std::move(lines[next]));
    }
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

TActivation* TInferenceEngine::NextToFire() const {
  for (TActivation* line = agenda_.First(); line; line = TAgenda::Next(*line))
    if (firing_.empty() || std::find(firing_.begin(), firing_.end(), line) == firing_.end())
      return line;
  return nullptr;
}

void TInferenceEngine::Fire(TActivation* activation, TRunStatistics& statistics) {
  if (Watching(cwRule)) {
    TRule* rule = activation->Rule();
    PrintOut("", SWatchFire + std::to_string(statistics.RulesFired) + " " +
                     (rule ? rule->RuleName() : std::string()) + " " +
                     activation->ReteToken()->FactIdsText() + SWatchLineEnd);
  }
  firing_.push_back(activation);
  std::exception_ptr error;
  try {
    // The facts the firing asserts are recorded as made by it.
    TOriginScope origin(*this, *activation);
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
  if (error && agenda_.Holds(activation)) {
    try {
      std::unique_ptr<TActivation> removed = TakeActivation(*activation);
    } catch (...) {
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
  // The counts and the kept statistics are read and written under the lock:
  // another thread may be clearing or loading the engine meanwhile. Only the
  // loop test below reads without it (the agenda's atomic count and Halted).
  {
    TEngineLockGuard lock(*this);
    statistics.MaxFacts = facts_.Count();
    statistics.MaxActivations = agenda_.Count();
    SetHalted(false);
    statistics_ = statistics;
  }
  try {
    while (!agenda_.IsEmpty() && !Halted() && statistics.RulesFired < limit) {
      TEngineLockGuard lock(*this);
      if (Halted()) break;
      TActivation* next = NextToFire();
      if (!next) break;
      Fire(next, statistics);
    }
  } catch (...) {
    TEngineLockGuard lock(*this);
    statistics_ = statistics;
    throw;
  }
  {
    TEngineLockGuard lock(*this);
    if (watch_.Contains(cwStatistics)) {
      statistics.RunTime = (ClockMilliseconds() - start) / 1000;
      if (statistics.RulesFired > 0) {
        statistics.MeanFacts = statistics.SumFacts / float(statistics.RulesFired);
        statistics.MeanActivations = statistics.SumActivations / float(statistics.RulesFired);
        if (OnPrintOut) PrintStatistics(statistics);
      }
    }
    statistics_ = statistics;
  }
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
