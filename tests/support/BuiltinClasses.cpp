// Linked into every test executable of the rule system: the built-in classes
// are registered before any test runs, as a host that looks classes up by name
// before it makes an engine does. Tests that replace a registration (and put
// it back) then see the real class beforehand.
#include "engine/InferenceEngine.h"

namespace {

const bool registered = (TInferenceEngine::RegisterClasses(), true);

}  // namespace
