// TIOStreams: the engine's table of logical I/O streams. Each line is a
// logical name whose Data is the open buffered text stream registered under
// it (a TGTextStream, or a tokenizer stream for files opened for reading).
// Names are found without regard to letter case.
//
// Ownership: the table owns its streams (FreeData): deleting a line or
// clearing the table frees, and so closes, its stream. Not synchronised: the
// engine uses it from the thread that runs the engine code.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "collections/Structures.h"
#include "frontend/GStreams.h"

class TIOStreams : public TGStringList {
 public:
  TIOStreams();
  std::string ClassName() const override { return "TIOStreams"; }

  // Appends a line Name holding Stream, which the table takes over.
  void AddStream(const std::string& name, std::unique_ptr<TGTextStream> stream);
  // The stream of line Index (EListError outside the table).
  TGTextStream* GetStream(int32_t index) const;
  // The stream registered under Name (any case), or none.
  TGTextStream* FindStream(const std::string& name) const;
  // Deletes the line of Name, closing its stream; EIEException "Invalid
  // stream name: %s" when Name is not registered.
  void RemoveStream(const std::string& name);
};
