// Files for tests: whole-file reads and writes, and a scratch directory of
// the running test that goes with its fixture.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace testfiles {

namespace fs = std::filesystem;

inline std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

inline void WriteFile(const fs::path& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

// A new directory named after Prefix, the run's seed and the current test;
// removed with everything in it when the object goes.
class TScratchDir {
 public:
  explicit TScratchDir(const std::string& prefix) {
    const auto* unit = ::testing::UnitTest::GetInstance();
    path_ = fs::temp_directory_path() /
            (prefix + std::to_string(unit->random_seed()) + "-" + unit->current_test_info()->name());
    fs::create_directories(path_);
  }
  ~TScratchDir() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  TScratchDir(const TScratchDir&) = delete;
  TScratchDir& operator=(const TScratchDir&) = delete;
  const fs::path& Path() const noexcept { return path_; }

 private:
  fs::path path_;
};

}  // namespace testfiles
