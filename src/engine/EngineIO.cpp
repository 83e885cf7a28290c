// The engine's logical I/O: the stream table, print-out routing, reading
// tokens and lines, batch files, dribble files and fact files.
#include "engine/EngineIO.h"

#include <exception>

#include "core/Exceptions.h"
#include "core/Format.h"
#include "core/IEConsts.h"
#include "core/Streams.h"
#include "engine/InferenceEngine.h"
#include "facts/IEFacts.h"

// ---------------------------------------------------------------------------
// TIOStreams

TIOStreams::TIOStreams() { SetFreeData(true); }

void TIOStreams::AddStream(const std::string& name, std::unique_ptr<TGTextStream> stream) {
  AddData(name, nullptr, stream.get());
  stream.release();  // the line owns it now
}

TGTextStream* TIOStreams::GetStream(int32_t index) const {
  return static_cast<TGTextStream*>(GetData(index));
}

TGTextStream* TIOStreams::FindStream(const std::string& name) const {
  const int32_t index = IndexOf(name);
  return index < 0 ? nullptr : GetStream(index);
}

void TIOStreams::RemoveStream(const std::string& name) {
  const int32_t index = IndexOf(name);
  if (index < 0) throw EIEException(Format(SInvalidStreamName, {name}));
  Delete(index);
}

// ---------------------------------------------------------------------------
// Routing

namespace {

bool IsStandardName(const std::string& name) { return name.empty() || name == SStandardStream; }

// Restores the engine's batch stream when a batch ends, however it ends.
class TBatchScope {
 public:
  TBatchScope(TIEMorelStream*& current, TIEMorelStream* inner)
      : current_(current), outer_(current) {
    current_ = inner;
  }
  ~TBatchScope() { current_ = outer_; }
  TBatchScope(const TBatchScope&) = delete;
  TBatchScope& operator=(const TBatchScope&) = delete;

 private:
  TIEMorelStream*& current_;
  TIEMorelStream* outer_;
};

}  // namespace

TGTextStream& TInferenceEngine::GetIOStream(const std::string& name) const {
  TGTextStream* stream = ioStreams_->FindStream(name);
  if (!stream) throw EIEException(Format(SInvalidStreamName, {name}));
  return *stream;
}

void TInferenceEngine::PrintOut(const std::string& outId, const std::string& text) {
  if (IsStandardName(outId)) {
    if (dribbleStream_)
      dribbleStream_->WriteText(text);
    else if (OnPrintOut)
      OnPrintOut(this, outId, text);
    return;
  }
  if (TGTextStream* stream = ioStreams_->FindStream(outId)) {
    stream->WriteText(text);
    // Written through at once, so a file being read under another name, or
    // inspected after a failure, holds everything printed so far.
    stream->FlushBuffer();
    return;
  }
  if (!OnPrintOut) throw EIEException(Format(SFunctionUnimplemented, {SPrintOutName}));
}

void TInferenceEngine::ReadToken(const std::string& inId, IStreamToken& token) {
  if (!IsStandardName(inId)) {
    if (TGTextStream* stream = ioStreams_->FindStream(inId)) {
      if (auto* tokenizer = dynamic_cast<TIEMorelStream*>(stream)) {
        token = tokenizer->ReadToken();
        tokenizer->SkipLine();
      } else {
        // A stream opened for writing: its next line, tokenised on its own,
        // gives the token (the same as reading a token and skipping the line).
        const std::string line = stream->AtEnd() ? std::string() : stream->ReadLine();
        token = TIEMorelStream::CreateFromText(line, this)->ReadToken();
      }
      return;
    }
  }
  if (batchStream_) {
    token = batchStream_->ReadToken();
    batchStream_->SkipLine();
    PrintOut(token->AsText() + "\r\n");
    return;
  }
  if (OnReadToken) {
    OnReadToken(this, inId, token);
    return;
  }
  throw EIEException(Format(SEventUnassigned, {SReadEventName}));
}

void TInferenceEngine::ReadLine(const std::string& inId, std::string& text) {
  if (!IsStandardName(inId)) {
    if (TGTextStream* stream = ioStreams_->FindStream(inId)) {
      text = stream->AtEnd() ? std::string() : stream->ReadLine();
      return;
    }
  }
  if (batchStream_) {
    text = batchStream_->ReadLine();
    PrintOut(text + "\r\n");
    return;
  }
  if (OnReadLine) {
    OnReadLine(this, inId, text);
    return;
  }
  throw EIEException(Format(SEventUnassigned, {SReadLineEventName}));
}

// ---------------------------------------------------------------------------
// Batch and dribble

bool TInferenceEngine::Batch(TStream& stream) {
  std::unique_ptr<TIEMorelStream> tokenizer = CreateTokenizerStream(stream);
  TBatchScope scope(batchStream_, tokenizer.get());
  while (!tokenizer->AtEnd()) Evaluate(tokenizer->ReadLine());
  return true;
}

bool TInferenceEngine::BatchFile(const std::string& fileName) {
  TFileStream file(fileName, fmOpenRead);
  return Batch(file);
}

bool TInferenceEngine::DribbleOn(std::unique_ptr<TStream> stream) {
  dribbleStream_ = std::move(stream);
  return true;
}

bool TInferenceEngine::DribbleOnFile(const std::string& fileName) {
  std::unique_ptr<TStream> file;
  try {
    file = std::make_unique<TFileStream>(fileName, fmCreate);
  } catch (const std::exception&) {
    return false;
  }
  return DribbleOn(std::move(file));
}

bool TInferenceEngine::DribbleOff() {
  dribbleStream_.reset();
  return true;
}

// ---------------------------------------------------------------------------
// Fact files

void TInferenceEngine::LoadFactsFromStream(TStream& stream) {
  std::unique_ptr<TIEMorelStream> tokenizer = CreateTokenizerStream(stream);
  TIETokenizerStream* previous = parser_->Stream();
  parser_->SetStream(tokenizer.get());
  try {
    parser_->LoadFacts();
  } catch (...) {
    parser_->SetStream(previous);
    throw;
  }
  parser_->SetStream(previous);
}

void TInferenceEngine::LoadFactsFromFile(const std::string& fileName) {
  TFileStream file(fileName, fmOpenRead);
  LoadFactsFromStream(file);
}

void TInferenceEngine::SaveFactsToStream(TStream& stream) {
  for (int32_t i = 0; i < facts_.Count(); ++i)
    if (const IFactRef& fact = facts_.Get(i)) stream.WriteText(fact->AsText() + "\r\n");
}

void TInferenceEngine::SaveFactsToFile(const std::string& fileName) {
  TFileStream file(fileName, fmCreate);
  SaveFactsToStream(file);
}

void TInferenceEngine::SaveFactsOfTemplate(TStream& stream, const std::string& templateName) {
  for (int32_t i = 0; i < facts_.Count(); ++i) {
    const IFactRef& fact = facts_.Get(i);
    if (fact && fact->Template() && fact->Template()->Name() == templateName)
      stream.WriteText(fact->AsText() + "\r\n");
  }
}
