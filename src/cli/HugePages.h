// Huge pages for the runner's heap. A large working memory (hundreds of
// thousands of facts, their tokens and indexes) spends a good part of its
// time taking page faults and missing the address-translation cache when the
// heap lies on 4 KB pages. The C library backs its heap with transparent huge
// pages when told so at start-up, through GLIBC_TUNABLES, which it reads
// only then: the runner therefore starts itself again with that setting.
// IE_HUGEPAGES=0 leaves the heap as it is.
// Thread-safety: call from main before any thread starts.
#pragma once

#include <functional>
#include <string>

// Whether a restart with huge pages is worth making. Env reads a variable
// (empty when unset); ThpMode is the kernel's transparent huge page setting
// as /sys/kernel/mm/transparent_hugepage/enabled shows it ("always [madvise]
// never"). A restart is made only when the kernel gives huge pages to the
// regions that ask for them ("[madvise]": with "[always]" the heap has them
// already, with "[never]" there are none), and not when GLIBC_TUNABLES is
// set already (by the restart itself, or by the user), when IE_HUGEPAGES is
// 0, or under a memory checker that preloads its library (a restart would
// leave it).
bool WantsHugePageRestart(const std::function<std::string(const char*)>& env,
                          const std::string& thpMode);

// Starts the runner again with the C library's huge page setting when
// WantsHugePageRestart says so; returns (doing nothing) otherwise or when the
// restart cannot be made.
void RestartWithHugePages(char** argv);
