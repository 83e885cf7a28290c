// The platform's byte streams: the abstract TStream and three concrete streams,
// TMemoryStream (bytes in memory), TStringStream (a memory stream whose bytes are
// read back as a std::string) and TFileStream (a POSIX file opened by name and mode).
// A stream owns its storage (memory or file descriptor) and nothing else. Not
// thread-safe: a stream is used by one thread at a time.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/Persistent.h"

// Open modes of TFileStream. fmCreate creates the file, or empties an existing one,
// and opens it for reading and writing. Bits above the access bits (sharing flags
// of other platforms) are ignored.
inline constexpr uint16_t fmOpenRead = 0x0000;
inline constexpr uint16_t fmOpenWrite = 0x0001;
inline constexpr uint16_t fmOpenReadWrite = 0x0002;
inline constexpr uint16_t fmCreate = 0xFFFF;

// Origins of Seek.
enum TSeekOrigin : int { soBeginning = 0, soCurrent = 1, soEnd = 2 };

class TStream : public TObject {
 public:
  std::string ClassName() const override { return "TStream"; }

  // Copies up to count bytes into buffer; returns the number delivered (0 at the end
  // of the stream and for count below 1).
  virtual int64_t Read(void* buffer, int64_t count) = 0;
  // Writes up to count bytes; returns the number accepted.
  virtual int64_t Write(const void* buffer, int64_t count) = 0;
  // Moves the position and returns the new one. Platform streams take soEnd
  // offsets as lseek does (Size() + offset, so -1 is the last byte); a target
  // before the beginning raises EStreamError "Invalid stream position: %s", an
  // origin other than 0, 1, 2 EStreamError "Invalid Origin Point specified: %s".
  virtual int64_t Seek(int64_t offset, int origin) = 0;
  virtual int64_t Size();
  // Sets the size: truncates or extends with zero bytes. The position is kept,
  // but never left behind a shrunken end.
  virtual void SetSize(int64_t size) = 0;

  int64_t Position() { return Seek(0, soCurrent); }
  void SetPosition(int64_t position) { Seek(position, soBeginning); }

  // Read exactly count bytes, or raise EReadError "Stream read error".
  void ReadBuffer(void* buffer, int64_t count);
  // Write exactly count bytes, or raise EStreamError "Stream write error".
  void WriteBuffer(const void* buffer, int64_t count);
  void WriteText(std::string_view text) { WriteBuffer(text.data(), int64_t(text.size())); }
  // Copies count bytes from source's current position (count 0: all of source,
  // from its beginning); returns the number copied.
  int64_t CopyFrom(TStream& source, int64_t count);

 protected:
  // The target of Seek for the lseek convention; validates origin and target.
  static int64_t SeekTarget(int64_t offset, int origin, int64_t position, int64_t size);
};

// Bytes held in memory. Writing behind the end grows the stream (a gap is zero).
class TMemoryStream : public TStream {
 public:
  TMemoryStream() = default;
  std::string ClassName() const override { return "TMemoryStream"; }

  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, int origin) override;
  int64_t Size() override { return int64_t(data_.size()); }
  void SetSize(int64_t size) override;

  // The bytes; valid until the next write or SetSize.
  const char* Memory() const { return data_.data(); }
  void Clear();
  // Replaces the contents with all of source (read from its beginning); position 0.
  void LoadFromStream(TStream& source);
  void SaveToStream(TStream& dest) const;
  void LoadFromFile(const std::string& fileName);
  void SaveToFile(const std::string& fileName) const;

 protected:
  std::string data_;
  int64_t position_ = 0;
};

// A memory stream over text: built from a string (any bytes, NUL included),
// positioned at its beginning; DataString gives all bytes back.
class TStringStream : public TMemoryStream {
 public:
  TStringStream() = default;
  explicit TStringStream(std::string_view text) { data_.assign(text.data(), text.size()); }
  std::string ClassName() const override { return "TStringStream"; }

  const std::string& DataString() const { return data_; }
  // Up to count bytes from the position.
  std::string ReadString(int64_t count);
  // Writes text at the position.
  void WriteString(std::string_view text) { WriteText(text); }
};

// A file opened by name. Errors of the operating system raise with its reason:
// EFOpenError "Cannot open file "%s". %s" / EFCreateError "Cannot create file
// "%s". %s" at creation (a directory cannot be opened), EReadError on a failed
// read, EStreamError on a failed write, seek or size change.
class TFileStream : public TStream {
 public:
  TFileStream(const std::string& fileName, uint16_t mode, unsigned rights = 0666);
  ~TFileStream() override;
  TFileStream(const TFileStream&) = delete;
  TFileStream& operator=(const TFileStream&) = delete;
  std::string ClassName() const override { return "TFileStream"; }

  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, int origin) override;
  int64_t Size() override;
  void SetSize(int64_t size) override;

  const std::string& FileName() const { return fileName_; }
  int Handle() const { return fd_; }

 private:
  std::string fileName_;
  int fd_ = -1;
};
