#include "cli/HugePages.h"

#include <unistd.h>

#include <cstdlib>
#include <fstream>

namespace {

constexpr const char* STunablesVariable = "GLIBC_TUNABLES";
constexpr const char* SHugePagesTunable = "glibc.malloc.hugetlb=1";
constexpr const char* SHugePagesSwitch = "IE_HUGEPAGES";
constexpr const char* SThpSettingFile = "/sys/kernel/mm/transparent_hugepage/enabled";
constexpr const char* SThpMadvise = "[madvise]";

bool Sanitized() {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  return true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || \
    __has_feature(memory_sanitizer)
  return true;
#else
  return false;
#endif
#else
  return false;
#endif
}

}  // namespace

bool WantsHugePageRestart(const std::function<std::string(const char*)>& env,
                          const std::string& thpMode) {
  if (!env(STunablesVariable).empty()) return false;
  if (env(SHugePagesSwitch) == "0") return false;
  const std::string preload = env("LD_PRELOAD");
  if (preload.find("valgrind") != std::string::npos || preload.find("vgpreload") != std::string::npos)
    return false;
  return thpMode.find(SThpMadvise) != std::string::npos;
}

void RestartWithHugePages(char** argv) {
#if defined(__GLIBC__)
  if (Sanitized() || !argv || !argv[0]) return;
  std::string thpMode;
  std::ifstream setting(SThpSettingFile);
  std::getline(setting, thpMode);
  auto env = [](const char* name) {
    const char* value = std::getenv(name);
    return std::string(value ? value : "");
  };
  if (!WantsHugePageRestart(env, thpMode)) return;
  if (setenv(STunablesVariable, SHugePagesTunable, 1) != 0) return;
  execv("/proc/self/exe", argv);
  // Not restarted: go on as we are, without the setting.
  unsetenv(STunablesVariable);
#else
  (void)argv;
#endif
}
