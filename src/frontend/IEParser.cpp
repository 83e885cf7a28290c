#include "frontend/IEParser.h"

void TIEParser::Reset() {
  if (stream_) stream_->Reset();
}

std::string TIEParser::UniqueName(const std::string& prefix) {
  if (engine_) return engine_->GenSym(prefix);
  return prefix + std::to_string(ownSymbolIndex_++);
}
