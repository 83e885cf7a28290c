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
#   packages     the eight built-in function packages; they reach their engine
#                only through the roles of values/EngineRoles.h
#   engine       the engine component: implements those roles and registers
#                the package classes in its constructor
#   cli, host    the runner and shell; the desktop host (Qt)
set(IE_LAYERS core collections values functions facts rete frontend packages engine cli host)

# Includes that still point up, each "file:header" below src/. The check fails
# when one of them goes away without leaving this list, so the list only shrinks.
# None is left.
set(IE_LAYER_EXCEPTIONS)

# The libraries: each layer up to the engine is one static library,
# ie_<layer>, linked to the one below it, so the libraries follow the layers
# one way (ie_engine on ie_packages on ie_frontend ... on ie_core).
set(IE_LIBRARY_LAYERS core collections values functions facts rete frontend packages engine)
