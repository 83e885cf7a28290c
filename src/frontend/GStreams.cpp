#include "frontend/GStreams.h"

#include <algorithm>
#include <cstring>

#include "core/Exceptions.h"
#include "core/Format.h"
#include "core/IEConsts.h"

// Buffer layout: the buffer always starts at index 0.
//   idle:    nothing buffered; current_ is unset (-1) or 0.
//   reading: [current_, end_) are unread bytes; the underlying stream stands
//            just behind them.
//   writing: [0, current_) are pending bytes; end_ is BufferSize.

TGBufferStream::TGBufferStream(TStream* stream)
    : stream_(stream), buffer_(std::make_unique<char[]>(BufferSize)) {}

TGBufferStream::~TGBufferStream() {
  if (stream_) FlushQuietly();
}

int64_t TGBufferStream::BufferedOffset() const {
  switch (state_) {
    case bsIdle: return 0;
    case bsReading: return current_ - end_;
    case bsWriting: return current_;
  }
  throw EStreamError(SInvalidBufferState);
}

bool TGBufferStream::FillBuffer() {
  if (state_ == bsWriting) FlushBuffer();
  bufferStart_ = stream_->Position();
  const int64_t n = std::max<int64_t>(0, stream_->Read(buffer_.get(), BufferSize));
  current_ = 0;
  end_ = n;
  state_ = n > 0 ? bsReading : bsIdle;
  if (onFill_) onFill_(*this);
  return n > 0;
}

bool TGBufferStream::FlushBuffer() {
  if (state_ != bsWriting) return true;
  const int64_t pending = current_;
  // The buffer counts as emptied even when the underlying write raises.
  current_ = 0;
  state_ = bsIdle;
  const int64_t written = pending > 0 ? stream_->Write(buffer_.get(), pending) : 0;
  if (onFlush_) onFlush_(*this);
  return written == pending;
}

void TGBufferStream::FlushQuietly() noexcept {
  if (state_ != bsWriting) return;
  const int64_t pending = current_;
  current_ = 0;
  state_ = bsIdle;
  try {
    if (pending > 0) stream_->Write(buffer_.get(), pending);
  } catch (...) {
    // A destructor cannot report it; callers wanting to know flush first.
  }
}

int64_t TGBufferStream::Read(void* buffer, int64_t count) {
  if (count < 1) return 0;
  if (state_ == bsWriting) FlushBuffer();
  if (state_ != bsReading) current_ = end_ = 0;  // empty: the first read fills
  auto* out = static_cast<char*>(buffer);
  int64_t total = 0;
  while (total < count) {
    if (current_ == end_ && !FillBuffer()) break;
    const int64_t n = std::min(end_ - current_, count - total);
    std::memcpy(out + total, buffer_.get() + current_, size_t(n));
    current_ += n;
    total += n;
  }
  return total;
}

int64_t TGBufferStream::Write(const void* buffer, int64_t count) {
  if (count < 1) return 0;
  if (state_ != bsWriting) {
    // Unread bytes are dropped: the underlying stream goes back to the logical
    // position, where the new bytes belong.
    if (state_ == bsReading && current_ != end_) stream_->Seek(current_ - end_, soCurrent);
    current_ = 0;
    end_ = BufferSize;
  }
  const auto* in = static_cast<const char*>(buffer);
  int64_t accepted = 0;
  int64_t callStart = current_;  // where this call's bytes begin in the buffer
  while (accepted < count) {
    const int64_t n = std::min(end_ - current_, count - accepted);
    std::memcpy(buffer_.get() + current_, in + accepted, size_t(n));
    current_ += n;
    accepted += n;
    state_ = bsWriting;
    if (current_ == end_) {
      if (!FlushBuffer()) return accepted - (BufferSize - callStart);
      callStart = 0;
    }
  }
  if (current_ > 0) state_ = bsWriting;
  return accepted;
}

int64_t TGBufferStream::Seek(int64_t offset, int origin) {
  const int64_t logical = stream_->Position() + BufferedOffset();
  int64_t target = 0;
  switch (origin) {
    case soBeginning: target = offset; break;
    case soCurrent: target = logical + offset; break;
    case soEnd: target = Size() - offset; break;
    default: throw EStreamError(Format(SInvalidOrigin, {std::to_string(origin)}));
  }
  if (target != logical) {
    if (state_ == bsWriting && !FlushBuffer()) throw EStreamError(SBufferSeekError);
    current_ = -1;
    end_ = 0;
    state_ = bsIdle;
    stream_->Seek(target, soBeginning);
  }
  return target;
}

int64_t TGBufferStream::Size() {
  const int64_t size = stream_->Size();
  if (state_ != bsWriting) return size;
  return std::max(size, stream_->Position() + current_);
}

void TGBufferStream::SetSize(int64_t size) {
  const int64_t logical = stream_->Position() + BufferedOffset();
  if (state_ == bsWriting && !FlushBuffer()) throw EStreamError(SWriteError);
  current_ = -1;
  end_ = 0;
  state_ = bsIdle;
  stream_->SetSize(size);
  stream_->Seek(std::min(logical, size), soBeginning);
}

void TGBufferStream::PushBack(char ch) {
  if (state_ != bsReading || current_ <= 0) throw EStreamError(SPushBackOverflow);
  buffer_[size_t(--current_)] = ch;
}

bool TGBufferStream::UnderlyingAtEnd() {
  return stream_->Position() + BufferedOffset() >= Size();
}

// ---- TGTextStream

TGTextStream::TGTextStream(TStream* stream) : TGBufferStream(stream) {}

TGTextStream::TGTextStream(std::unique_ptr<TStream> stream)
    : TGBufferStream(stream.release()), ownsStream_(true) {}

TGTextStream::~TGTextStream() { FreeStream(); }

void TGTextStream::FreeStream() noexcept {
  if (!ownsStream_ || !stream_) return;
  FlushQuietly();
  std::unique_ptr<TStream> owned(stream_);
  stream_ = nullptr;
}

std::unique_ptr<TGTextStream> TGTextStream::CreateFromFile(const std::string& fileName,
                                                           uint16_t mode) {
  return std::make_unique<TGTextStream>(std::make_unique<TFileStream>(fileName, mode));
}

std::unique_ptr<TGTextStream> TGTextStream::CreateFromText(std::string_view text) {
  return std::make_unique<TGTextStream>(std::make_unique<TStringStream>(text));
}

bool TGTextStream::SkipBlankLine() {
  char ch;
  while (GetByte(ch)) {
    if (static_cast<unsigned char>(ch) > 32) {
      PushBack(ch);
      return false;
    }
    if (ch == '\n') return true;
    if (ch == '\r') {
      char next;
      if (GetByte(next) && next != '\n') PushBack(next);
      return true;
    }
  }
  return false;
}

char TGTextStream::ReadChar() {
  char ch;
  return GetByte(ch) ? ch : '\0';
}

std::string TGTextStream::ReadLine() {
  std::string line;
  char ch;
  while (GetByte(ch)) {
    if (ch == '\n') break;
    if (ch == '\r') {
      char next;
      if (GetByte(next) && next != '\n') PushBack(next);
      break;
    }
    line += ch;
  }
  return line;
}

void TGTextStream::WriteChar(char ch) { WriteBuffer(&ch, 1); }

void TGTextStream::WriteLine(std::string_view text) {
  WriteText(text);
  WriteNewLine();
}

void TGTextStream::WriteNewLine() { WriteBuffer("\r\n", 2); }
