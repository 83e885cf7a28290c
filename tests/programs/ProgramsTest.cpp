// Rule programs with their expected print-out: every tests/programs/cases/X.ie
// runs in a new engine (Clear, load, Reset, Run) and its standard output,
// followed by "ERROR: " and the message when the load or run raised, must be
// byte for byte the text of X.out beside it.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "engine/InferenceEngine.h"

namespace {

namespace fs = std::filesystem;

const fs::path& CasesDir() {
  static const fs::path dir = fs::path("tests") / "programs" / "cases";
  return dir;
}

std::vector<std::string> CaseNames() {
  std::vector<std::string> names;
  if (fs::is_directory(CasesDir()))
    for (const auto& entry : fs::directory_iterator(CasesDir()))
      if (entry.path().extension() == ".ie") names.push_back(entry.path().stem().string());
  std::sort(names.begin(), names.end());
  return names;
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::string RunProgram(const fs::path& file) {
  std::string output;
  TInferenceEngine engine;
  engine.OnPrintOut = [&output](TObject*, const std::string&, const std::string& text) {
    output += text;
  };
  try {
    engine.Clear();
    engine.LoadFromFile(file.string());
    engine.Reset();
    engine.Run();
  } catch (const std::exception& e) {
    output += "ERROR: ";
    output += e.what();
    output += "\r\n";
  }
  return output;
}

class ProgramTest : public ::testing::TestWithParam<std::string> {};

TEST_P(ProgramTest, PrintsItsExpectedOutput) {
  const fs::path program = CasesDir() / (GetParam() + ".ie");
  const fs::path expected = CasesDir() / (GetParam() + ".out");
  ASSERT_TRUE(fs::exists(expected)) << "no " << expected;
  EXPECT_EQ(RunProgram(program), ReadFile(expected));
}

INSTANTIATE_TEST_SUITE_P(Cases, ProgramTest, ::testing::ValuesIn(CaseNames()),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                           std::string name = info.param;
                           for (char& c : name)
                             if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                           return name;
                         });
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(ProgramTest);

}  // namespace
