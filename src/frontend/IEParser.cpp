#include "frontend/IEParser.h"

void TIEParser::Reset() {
  if (stream_) stream_->Reset();
}

std::string TIEParser::UniqueName(const std::string& prefix) {
  if (ISymbolGenerator* symbols = engine_ ? engine_->SymbolGenerator() : nullptr)
    return symbols->GenSym(prefix);
  return prefix + std::to_string(ownSymbolIndex_++);
}
