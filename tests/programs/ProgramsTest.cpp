// Rule programs with their expected print-out: every tests/programs/cases/X.ie
// runs in a new engine with the diagnostics package (Clear, load, Reset, Run) and its standard output,
// followed by "ERROR: " and the message when the load or run raised, must be
// byte for byte the text of X.out beside it. Each program runs in a scratch
// directory of its own, so the files it writes stay out of the source tree.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "engine/InferenceEngine.h"
#include "packages/DiagnosticsPackage.h"
#include "support/ScratchFiles.h"

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
  new TDiagnosticsPackage(&engine);
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
  const fs::path program = fs::absolute(CasesDir() / (GetParam() + ".ie"));
  const fs::path expected = CasesDir() / (GetParam() + ".out");
  ASSERT_TRUE(fs::exists(expected)) << "no " << expected;
  const fs::path home = fs::current_path();
  std::string output;
  fs::path parent;
  {
    testfiles::TScratchDir scratch("ie-program-" + GetParam() + "-");
    // A parameterised test's name holds a slash, so the scratch directory
    // sits in a parent of its own, removed below once it is empty.
    parent = scratch.Path().parent_path();
    fs::current_path(scratch.Path());
    output = RunProgram(program);
    fs::current_path(home);
  }
  std::error_code ignored;
  if (parent != fs::temp_directory_path()) fs::remove(parent, ignored);
  EXPECT_EQ(output, ReadFile(expected));
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
