#include "core/Streams.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "core/Exceptions.h"
#include "core/Format.h"
#include "core/IEConsts.h"

namespace {

std::string OsReason(int error) { return std::strerror(error); }

}  // namespace

// ---- TStream

int64_t TStream::Size() {
  const int64_t position = Seek(0, soCurrent);
  const int64_t size = Seek(0, soEnd);
  Seek(position, soBeginning);
  return size;
}

void TStream::ReadBuffer(void* buffer, int64_t count) {
  if (count > 0 && Read(buffer, count) != count) throw EReadError(SReadError);
}

void TStream::WriteBuffer(const void* buffer, int64_t count) {
  if (count > 0 && Write(buffer, count) != count) throw EStreamError(SWriteError);
}

int64_t TStream::CopyFrom(TStream& source, int64_t count) {
  if (count == 0) {
    source.SetPosition(0);
    count = source.Size();
  }
  char block[8192];
  int64_t copied = 0;
  while (copied < count) {
    const int64_t wanted = std::min<int64_t>(count - copied, sizeof block);
    const int64_t got = source.Read(block, wanted);
    if (got <= 0) break;
    WriteBuffer(block, got);
    copied += got;
  }
  return copied;
}

int64_t TStream::SeekTarget(int64_t offset, int origin, int64_t position, int64_t size) {
  int64_t target = 0;
  switch (origin) {
    case soBeginning: target = offset; break;
    case soCurrent: target = position + offset; break;
    case soEnd: target = size + offset; break;
    default: throw EStreamError(Format(SInvalidOrigin, {std::to_string(origin)}));
  }
  if (target < 0) throw EStreamError(Format(SInvalidStreamPosition, {std::to_string(target)}));
  return target;
}

// ---- TMemoryStream

int64_t TMemoryStream::Read(void* buffer, int64_t count) {
  const int64_t size = int64_t(data_.size());
  if (count < 1 || position_ >= size) return 0;
  const int64_t n = std::min(count, size - position_);
  std::memcpy(buffer, data_.data() + position_, size_t(n));
  position_ += n;
  return n;
}

int64_t TMemoryStream::Write(const void* buffer, int64_t count) {
  if (count < 1) return 0;
  const int64_t end = position_ + count;
  if (end > int64_t(data_.size())) data_.resize(size_t(end), '\0');
  std::memcpy(data_.data() + position_, buffer, size_t(count));
  position_ = end;
  return count;
}

int64_t TMemoryStream::Seek(int64_t offset, int origin) {
  position_ = SeekTarget(offset, origin, position_, int64_t(data_.size()));
  return position_;
}

void TMemoryStream::SetSize(int64_t size) {
  if (size < 0) throw EStreamError(Format(SInvalidStreamPosition, {std::to_string(size)}));
  data_.resize(size_t(size), '\0');
  position_ = std::min(position_, size);
}

void TMemoryStream::Clear() {
  data_.clear();
  data_.shrink_to_fit();
  position_ = 0;
}

void TMemoryStream::LoadFromStream(TStream& source) {
  source.SetPosition(0);
  const int64_t size = source.Size();
  std::string bytes(size_t(size), '\0');
  source.ReadBuffer(bytes.data(), size);
  data_ = std::move(bytes);
  position_ = 0;
}

void TMemoryStream::SaveToStream(TStream& dest) const {
  dest.WriteBuffer(data_.data(), int64_t(data_.size()));
}

void TMemoryStream::LoadFromFile(const std::string& fileName) {
  TFileStream file(fileName, fmOpenRead);
  LoadFromStream(file);
}

void TMemoryStream::SaveToFile(const std::string& fileName) const {
  TFileStream file(fileName, fmCreate);
  SaveToStream(file);
}

// ---- TStringStream

std::string TStringStream::ReadString(int64_t count) {
  const int64_t n = std::max<int64_t>(0, std::min(count, int64_t(data_.size()) - position_));
  std::string text = n > 0 ? data_.substr(size_t(position_), size_t(n)) : std::string();
  position_ += n;
  return text;
}

// ---- TFileStream

TFileStream::TFileStream(const std::string& fileName, uint16_t mode, unsigned rights)
    : fileName_(fileName) {
  const bool create = mode == fmCreate;
  int flags = O_CLOEXEC;
  if (create) {
    flags |= O_RDWR | O_CREAT | O_TRUNC;
  } else {
    switch (mode & 3) {
      case fmOpenWrite: flags |= O_WRONLY; break;
      case fmOpenReadWrite: flags |= O_RDWR; break;
      default: flags |= O_RDONLY; break;
    }
  }
  do {
    fd_ = ::open(fileName.c_str(), flags, mode_t(rights));
  } while (fd_ < 0 && errno == EINTR);
  int error = fd_ < 0 ? errno : 0;
  if (fd_ >= 0) {
    // A directory opens read-only on this platform but is no file to stream.
    struct stat info {};
    if (::fstat(fd_, &info) == 0 && S_ISDIR(info.st_mode)) {
      error = EISDIR;
      ::close(fd_);
      fd_ = -1;
    }
  }
  if (fd_ < 0) {
    if (create) throw EFCreateError(Format(SFileCreateError, {fileName, OsReason(error)}));
    throw EFOpenError(Format(SFileOpenError, {fileName, OsReason(error)}));
  }
}

TFileStream::~TFileStream() {
  if (fd_ >= 0) ::close(fd_);
}

int64_t TFileStream::Read(void* buffer, int64_t count) {
  int64_t total = 0;
  auto* bytes = static_cast<char*>(buffer);
  while (total < count) {
    const ssize_t n = ::read(fd_, bytes + total, size_t(count - total));
    if (n < 0) {
      if (errno == EINTR) continue;
      throw EReadError(Format(SFileReadError, {fileName_, OsReason(errno)}));
    }
    if (n == 0) break;
    total += n;
  }
  return total;
}

int64_t TFileStream::Write(const void* buffer, int64_t count) {
  int64_t total = 0;
  const auto* bytes = static_cast<const char*>(buffer);
  while (total < count) {
    const ssize_t n = ::write(fd_, bytes + total, size_t(count - total));
    if (n < 0) {
      if (errno == EINTR) continue;
      throw EStreamError(Format(SFileWriteError, {fileName_, OsReason(errno)}));
    }
    if (n == 0) break;
    total += n;
  }
  return total;
}

int64_t TFileStream::Seek(int64_t offset, int origin) {
  int whence = SEEK_SET;
  switch (origin) {
    case soBeginning: whence = SEEK_SET; break;
    case soCurrent: whence = SEEK_CUR; break;
    case soEnd: whence = SEEK_END; break;
    default: throw EStreamError(Format(SInvalidOrigin, {std::to_string(origin)}));
  }
  const off_t result = ::lseek(fd_, off_t(offset), whence);
  if (result < 0) {
    if (errno == EINVAL) {
      int64_t target = offset;
      if (whence == SEEK_CUR) target += int64_t(::lseek(fd_, 0, SEEK_CUR));
      if (whence == SEEK_END) target += Size();
      throw EStreamError(Format(SInvalidStreamPosition, {std::to_string(target)}));
    }
    throw EStreamError(Format(SFileSeekError, {fileName_, OsReason(errno)}));
  }
  return int64_t(result);
}

int64_t TFileStream::Size() {
  struct stat info {};
  if (::fstat(fd_, &info) != 0)
    throw EStreamError(Format(SFileSeekError, {fileName_, OsReason(errno)}));
  return int64_t(info.st_size);
}

void TFileStream::SetSize(int64_t size) {
  if (size < 0) throw EStreamError(Format(SInvalidStreamPosition, {std::to_string(size)}));
  if (::ftruncate(fd_, off_t(size)) != 0)
    throw EStreamError(Format(SFileSizeError, {fileName_, OsReason(errno)}));
  if (Position() > size) Seek(size, soBeginning);
}
