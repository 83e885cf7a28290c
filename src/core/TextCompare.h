// Text comparisons shared by the platform layer and above. Stateless.
#pragma once

#include <string_view>

// Equal when the texts differ at most in the case of ASCII letters (component
// names, stream keywords, logical stream names).
inline bool SameText(std::string_view a, std::string_view b) noexcept {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z') x = char(x - 'a' + 'A');
    if (y >= 'a' && y <= 'z') y = char(y - 'a' + 'A');
    if (x != y) return false;
  }
  return true;
}
