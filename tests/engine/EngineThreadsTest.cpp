// Engines used from several threads the way the desktop host uses them: a
// worker calls Run again and again while another thread reloads the engine
// under its lock; engines on two threads drop and take back the functions of
// a package they share. Run under ThreadSanitizer these also show that no
// unlocked access is left.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>

#include "engine/InferenceEngine.h"
#include "functions/IEPackageComponents.h"
#include "packages/StringPackage.h"

namespace {

const char* const kCounter = R"(
(deftemplate counter (slot n))
(deffacts start (counter (n 0)))
(defrule step
  ?c <- (counter (n ?n&:(< ?n 150)))
  =>
  (printout t "n" ?n crlf)
  (modify ?c (n (+ ?n 1))))
)";

std::string CounterOutput() {
  std::string text;
  for (int n = 0; n < 150; ++n) text += "n" + std::to_string(n) + "\r\n";
  return text;
}

}  // namespace

TEST(EngineThreadsTest, ReloadingUnderTheLockWhileAWorkerRunsLeavesOneCleanRun) {
  TInferenceEngine engine;
  // Statistics make Run read the fact and agenda counts and print them.
  engine.SetWatch({cwStatistics});
  std::mutex outputLock;
  std::string output;
  engine.OnPrintOut = [&](TObject*, const std::string&, const std::string& text) {
    if (text.find("rules fired") != std::string::npos || text.find("mean number") != std::string::npos ||
        text.find("rules per second") != std::string::npos)
      return;
    std::lock_guard<std::mutex> hold(outputLock);
    output += text;
  };
  std::atomic<bool> stop{false};
  std::string workerError;
  std::thread worker([&] {
    try {
      while (!stop.load()) {
        engine.Run();
        std::this_thread::yield();
      }
    } catch (const std::exception& e) {
      workerError = e.what();
    }
  });
  for (int reload = 0; reload < 25; ++reload) {
    engine.Lock();
    engine.SetHalted(true);
    engine.Clear();
    {
      std::lock_guard<std::mutex> hold(outputLock);
      output.clear();  // the worker waits at the lock: nothing of the old run follows
    }
    engine.Evaluate(kCounter);
    engine.Reset();
    engine.Unlock();
    std::this_thread::sleep_for(std::chrono::microseconds(300 * (reload % 4)));
  }
  // The last program runs to its end.
  for (bool done = false; !done;) {
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    engine.Lock();
    done = engine.AgendaCount() == 0;
    engine.Unlock();
  }
  stop.store(true);
  worker.join();
  EXPECT_EQ(workerError, "");
  std::lock_guard<std::mutex> hold(outputLock);
  EXPECT_EQ(output, CounterOutput());
}

TEST(EngineThreadsTest, EnginesDropAndTakeBackSharedFunctionsAtTheSameTime) {
  TInferenceEngine first, second;
  first.SetPackages({});
  second.SetPackages({});
  TStringPackage strings;  // after the engines: it unregisters before they go
  strings.Reasoners().AddReasoner(first);
  strings.Reasoners().AddReasoner(second);
  const IUserFunction strCat = first.GetFunction("str-cat");
  ASSERT_TRUE(strCat);
  const IUserFunction upcase = first.GetFunction("upcase");
  ASSERT_TRUE(upcase);

  // Each engine undefines a shared function and takes it back, again and
  // again; both lists of engines are written by both threads.
  auto churn = [&](TInferenceEngine& engine) {
    for (int i = 0; i < 300; ++i) {
      engine.UserFunctions().Remove("str-cat");
      strCat->Reasoners().AddReasoner(engine);
      engine.UserFunctions().Clear();
      strings.Reasoners().RemoveReasoner(engine);
      strings.Reasoners().AddReasoner(engine);
    }
  };
  std::thread a([&] { churn(first); });
  std::thread b([&] { churn(second); });
  a.join();
  b.join();

  for (const IUserFunction& function : {strCat, upcase}) {
    ASSERT_EQ(function->Reasoners().Count(), 2) << function->FunctionName();
    EXPECT_TRUE(function->Reasoners().ContainsReasoner(first));
    EXPECT_TRUE(function->Reasoners().ContainsReasoner(second));
  }
  EXPECT_EQ(first.GetFunction("str-cat").get(), strCat.get());
  EXPECT_EQ(second.GetFunction("upcase").get(), upcase.get());
  EXPECT_EQ(strings.Reasoners().Count(), 2);
}
