# The layers of src/, lowest first. A folder may include the headers of its own
# layer and of the layers below it, never of one above: the CTest test
# "layers" (scripts/check-layers.py) fails on any include that points up.
#
#   core         platform layer: exceptions, formatting, components, streams, message texts
#   collections  reference counting, hashtables, lists
#   values       the typed value, value vectors, the evaluation context
#   functions    the function framework: calls, user functions and their kit,
#                deffunctions, package components
#   facts        templates, facts, fact sets, patterns, rules
#   rete         the network, tokens, activations
#   frontend     text streams, tokenizer, parsers, the construct printer
#   engine       the engine component
#   packages     the eight built-in function packages
#   cli, host    the runner and shell; the desktop host (Qt)
set(IE_LAYERS core collections values functions facts rete frontend engine packages cli host)

# Includes that still point up, each "file:header" below src/. The check fails
# when one of them goes away without leaving this list, so the list only shrinks.
# - The engine registers the built-in package classes in its constructor.
set(IE_LAYER_EXCEPTIONS
  engine/InferenceEngine.cpp:packages/BuiltinPackages.h)

# The libraries: each layer up to the frontend is one static library,
# ie_<layer>, linked to the one below it, so the libraries follow the layers
# one way; the engine and the packages are still the one library ieengine
# (the exception above is a link cycle between them).
set(IE_LIBRARY_LAYERS core collections values functions facts rete frontend)
set(IE_ENGINE_LAYERS engine packages)
