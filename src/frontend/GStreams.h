// Buffered text streams. TGBufferStream puts an 8192-byte buffer in front of a byte
// stream and can give one character back; TGTextStream adds reading characters and
// lines (CR, LF and CR LF alike) and writing lines ended by CR LF. Rule text reaches
// the tokenizer through these classes.
// Ownership: TGBufferStream never owns its underlying stream; TGTextStream owns it
// when OwnsStream is set (then it is destroyed with the text stream). The underlying
// stream must not be moved by anyone else while the buffered stream is in use.
// Not thread-safe: one thread at a time.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "core/Streams.h"

class TGBufferStream : public TStream {
 public:
  static constexpr int32_t BufferSize = 8192;
  enum TBufferState : uint8_t { bsIdle = 0, bsReading = 1, bsWriting = 2 };
  // Called after each fill and after each flush, with the stream.
  using TBufferEvent = std::function<void(TGBufferStream&)>;

  // Stream: the underlying byte stream (not owned, must outlive this object).
  explicit TGBufferStream(TStream* stream);
  ~TGBufferStream() override;
  TGBufferStream(const TGBufferStream&) = delete;
  TGBufferStream& operator=(const TGBufferStream&) = delete;
  std::string ClassName() const override { return "TGBufferStream"; }

  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  // Origin 0 is from the beginning, 1 from the logical position, 2 from the end
  // counted backwards: the target is Size() - offset. Moving writes pending bytes
  // first (EStreamError "Error seeking in buffer" when that fails) and empties the
  // buffer; a seek to the present position keeps it. Returns the target.
  int64_t Seek(int64_t offset, int origin) override;
  // The size of the underlying stream, including bytes not yet flushed.
  int64_t Size() override;
  void SetSize(int64_t size) override;

  // Gives one character back to the read buffer: after a read from the present
  // buffer there is always room for one; EStreamError "Overflow on push back"
  // when there is none (at creation, after a seek, after a failed fill).
  virtual void PushBack(char ch);
  // No unread byte is buffered and the underlying stream is at its end.
  bool AtEnd() { return !(state_ == bsReading && current_ < end_) && UnderlyingAtEnd(); }
  // Writes the pending bytes to the underlying stream; true when all were taken
  // (also when nothing was pending). The stream is idle afterwards.
  virtual bool FlushBuffer();

  TStream* Stream() const { return stream_; }
  TBufferState State() const { return state_; }
  void SetOnFillBuffer(TBufferEvent handler) { onFill_ = std::move(handler); }
  void SetOnFlushBuffer(TBufferEvent handler) { onFlush_ = std::move(handler); }

 protected:
  // Reads up to BufferSize bytes into the buffer; true when any byte came.
  virtual bool FillBuffer();
  // One byte; false at the end of the stream (a NUL byte is a byte like others).
  bool GetByte(char& ch) {
    if (state_ == bsReading && current_ < end_) {
      ch = buffer_[size_t(current_++)];
      return true;
    }
    return Read(&ch, 1) == 1;
  }
  // The next byte, left unread, when the buffer holds it; false otherwise
  // (the buffer is used up, or the stream is not reading).
  bool PeekBuffered(char& ch) const {
    if (state_ != bsReading || current_ >= end_) return false;
    ch = buffer_[size_t(current_)];
    return true;
  }
  // The logical position minus the underlying stream's position.
  int64_t BufferedOffset() const;
  // The position of the next byte to read; while reading from the buffer
  // without asking the underlying stream.
  int64_t LogicalPosition() {
    if (state_ == bsReading) return bufferStart_ + current_;
    return stream_->Position() + BufferedOffset();
  }
  // AtEnd once the buffer holds no unread byte.
  bool UnderlyingAtEnd();
  // Writes pending bytes without notifying; for destructors (never throws).
  void FlushQuietly() noexcept;

  TStream* stream_;

 private:
  std::unique_ptr<char[]> buffer_;
  int64_t current_ = -1;  // -1: unset until the first read or write
  int64_t end_ = 0;
  int64_t bufferStart_ = 0;  // the underlying position of the buffer's first byte
  TBufferState state_ = bsIdle;
  TBufferEvent onFill_;
  TBufferEvent onFlush_;
};

class TGTextStream : public TGBufferStream {
 public:
  // Over a stream that the caller keeps (OwnsStream false).
  explicit TGTextStream(TStream* stream);
  // Over a stream that this object owns (OwnsStream true).
  explicit TGTextStream(std::unique_ptr<TStream> stream);
  ~TGTextStream() override;
  std::string ClassName() const override { return "TGTextStream"; }

  // A text stream owning a new TFileStream(fileName, mode); EFOpenError or
  // EFCreateError when the file cannot be opened.
  static std::unique_ptr<TGTextStream> CreateFromFile(const std::string& fileName,
                                                      uint16_t mode);
  // A text stream owning a string stream holding text (any bytes), at its start.
  static std::unique_ptr<TGTextStream> CreateFromText(std::string_view text);

  bool OwnsStream() const { return ownsStream_; }
  // When true the underlying stream, which must have been allocated with new, is
  // destroyed with this object.
  void SetOwnsStream(bool owns) { ownsStream_ = owns; }

  // Skips blanks up to the end of the line: a byte above 32 is given back and the
  // result is false; LF, CR or CR LF is consumed and the result is true; the end of
  // the stream gives false.
  virtual bool SkipBlankLine();
  // One byte, or 0 at the end of the stream.
  virtual char ReadChar();
  // The bytes up to the next CR, LF or CR LF (consumed, not stored) or to the end.
  virtual std::string ReadLine();
  virtual void WriteChar(char ch);
  // Text then CR LF. Writes that the underlying stream refuses raise EStreamError.
  virtual void WriteLine(std::string_view text);
  virtual void WriteNewLine();

 protected:
  // Destroys the underlying stream when owned (after writing pending bytes).
  virtual void FreeStream() noexcept;

 private:
  bool ownsStream_ = false;
};
