// The engine's evaluation depth limit: calls nested beyond it raise a clear
// error instead of overflowing the stack, on the main thread and on a worker
// thread with a smaller stack, and the engine stays usable afterwards.
#include <gtest/gtest.h>
#include <pthread.h>

#include <cstddef>
#include <string>

#include "core/Exceptions.h"
#include "engine/InferenceEngine.h"

namespace {

// "(+ 1 (+ 1 ... 0))" with Depth calls.
std::string NestedSum(int depth) {
  std::string text;
  for (int i = 0; i < depth; ++i) text += "(+ 1 ";
  text += "0";
  text.append(size_t(depth), ')');
  return text;
}

// Loads Text into a new engine; what it printed, then the error (if any).
std::string Load(const std::string& text, int32_t limit = 0) {
  TInferenceEngine engine;
  if (limit > 0) engine.SetMaxEvaluationDepth(limit);
  std::string output;
  engine.OnPrintOut = [&output](TObject*, const std::string&, const std::string& printed) {
    output += printed;
  };
  try {
    engine.Evaluate(text);
  } catch (const std::exception& e) {
    output += std::string("ERROR: ") + e.what();
  }
  return output;
}

// A worker thread's stack smaller than the main thread's 8 MB: 1 MB, or 4 MB
// where AddressSanitizer makes every frame several times larger.
#if defined(__SANITIZE_ADDRESS__)
constexpr size_t WorkerStackBytes = size_t(4) << 20;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr size_t WorkerStackBytes = size_t(4) << 20;
#else
constexpr size_t WorkerStackBytes = size_t(1) << 20;
#endif
#else
constexpr size_t WorkerStackBytes = size_t(1) << 20;
#endif

const char Endless[] = "(deffunction f (?n) (+ 1 (f (+ ?n 1))))\n(f 0)\n";

bool HasDepthError(const std::string& output) {
  return output.find("Function calls nested deeper than") != std::string::npos;
}

}  // namespace

TEST(EvaluationDepth, IsASettingOfTheEngineCountingNestedCalls) {
  TInferenceEngine engine;
  EXPECT_EQ(engine.MaxEvaluationDepth(), IReasoner::DefaultMaxEvaluationDepth);
  engine.SetMaxEvaluationDepth(0);
  EXPECT_EQ(engine.MaxEvaluationDepth(), 1) << "at least one call may run";

  EXPECT_EQ(Load(NestedSum(10), 10), "10\r\n");
  const std::string tooDeep = Load(NestedSum(11), 10);
  EXPECT_TRUE(HasDepthError(tooDeep)) << tooDeep;
  EXPECT_NE(tooDeep.find("deeper than 10 levels"), std::string::npos) << tooDeep;
}

TEST(EvaluationDepth, TryCatchesTheErrorAndTheCountUnwinds) {
  const std::string output = Load(std::string(Endless, 40) +
                                  "(try (f 0) catch (printout t \"caught\" crlf))\n" +
                                  "(try (f 0) catch (printout t \"again\" crlf))\n" +
                                  NestedSum(20) + "\n", 50);
  EXPECT_EQ(output, "caught\r\nagain\r\n20\r\n");
}

TEST(EvaluationDepth, EndlessRecursionEndsWithTheErrorAtTheDefaultLimit) {
  const std::string output = Load(Endless);
  EXPECT_TRUE(HasDepthError(output)) << output;
}

// The default limit stays inside a worker thread's smaller stack.
TEST(EvaluationDepth, EndlessRecursionOnAThreadWithASmallStack) {
  struct TJob {
    std::string Output;
    static void* Run(void* job) {
      static_cast<TJob*>(job)->Output = Load(Endless);
      return nullptr;
    }
  } job;
  pthread_attr_t attributes;
  ASSERT_EQ(pthread_attr_init(&attributes), 0);
  ASSERT_EQ(pthread_attr_setstacksize(&attributes, WorkerStackBytes), 0);
  pthread_t thread;
  ASSERT_EQ(pthread_create(&thread, &attributes, &TJob::Run, &job), 0);
  pthread_join(thread, nullptr);
  pthread_attr_destroy(&attributes);
  EXPECT_TRUE(HasDepthError(job.Output)) << job.Output;
}
