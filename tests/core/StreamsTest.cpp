#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <string>

#include "core/Exceptions.h"
#include "core/Streams.h"
#include "support/ExceptionText.h"

namespace {

// A fresh directory under the system's temporary directory, removed afterwards.
class TempDir {
 public:
  TempDir() {
    path_ = std::filesystem::temp_directory_path() /
            ("ie-streams-" + std::to_string(::getpid()) + "-" + std::to_string(counter_++));
    std::filesystem::create_directories(path_);
  }
  ~TempDir() { std::filesystem::remove_all(path_); }
  std::string File(const std::string& name) const { return (path_ / name).string(); }

 private:
  static inline int counter_ = 0;
  std::filesystem::path path_;
};

}  // namespace

TEST(MemoryStream, ReadWriteSeekAndGrowth) {
  TMemoryStream m;
  EXPECT_EQ(m.Write("hello", 5), 5);
  EXPECT_EQ(m.Size(), 5);
  EXPECT_EQ(m.Position(), 5);
  // Writing behind the end leaves a zero-filled gap.
  EXPECT_EQ(m.Seek(8, soBeginning), 8);
  m.WriteText("!");
  ASSERT_EQ(m.Size(), 9);
  EXPECT_EQ(std::string(m.Memory(), 9), std::string("hello\0\0\0!", 9));

  char buf[16] = {};
  EXPECT_EQ(m.Seek(-4, soEnd), 5);
  EXPECT_EQ(m.Read(buf, 16), 4);
  EXPECT_EQ(m.Read(buf, 16), 0);
  EXPECT_EQ(m.Seek(-2, soCurrent), 7);
  EXPECT_EQ(m.Read(buf, 0), 0);
  EXPECT_EQ(m.Read(buf, -3), 0);
  // Past the end reads nothing.
  m.SetPosition(100);
  EXPECT_EQ(m.Read(buf, 1), 0);
}

TEST(MemoryStream, SetSizeClampsPositionAndRejectsBadSeeks) {
  TMemoryStream m;
  m.WriteText("abcdef");
  m.SetSize(3);
  EXPECT_EQ(m.Position(), 3);
  m.SetSize(5);
  EXPECT_EQ(std::string(m.Memory(), 5), std::string("abc\0\0", 5));
  EXPECT_EQ(MessageOf<EStreamError>([&] { m.Seek(-1, soBeginning); }),
            "Invalid stream position: -1");
  EXPECT_EQ(MessageOf<EStreamError>([&] { m.Seek(0, 3); }), "Invalid Origin Point specified: 3");
  EXPECT_EQ(m.Position(), 3);  // a refused seek leaves the position alone
}

TEST(MemoryStream, ReadBufferRaisesOnShortRead) {
  TStringStream s("ab");
  char buf[4];
  EXPECT_EQ(MessageOf<EReadError>([&] { s.ReadBuffer(buf, 3); }), "Stream read error");
}

TEST(StringStream, HoldsArbitraryBytes) {
  const std::string bytes("a\0b\xff\r\n", 6);
  TStringStream s(bytes);
  EXPECT_EQ(s.Position(), 0);
  EXPECT_EQ(s.Size(), 6);
  EXPECT_EQ(s.ReadString(2), std::string("a\0", 2));
  EXPECT_EQ(s.ReadString(100), std::string("b\xff\r\n"));
  EXPECT_EQ(s.ReadString(1), "");
  s.SetPosition(1);
  s.WriteString("XYZWV");
  EXPECT_EQ(s.DataString(), "aXYZWV");
}

TEST(StringStream, CopyFromCopiesWholeSourceOrCount) {
  TStringStream src("0123456789");
  TStringStream dst;
  EXPECT_EQ(dst.CopyFrom(src, 0), 10);
  EXPECT_EQ(dst.DataString(), "0123456789");
  src.SetPosition(4);
  TStringStream part;
  EXPECT_EQ(part.CopyFrom(src, 3), 3);
  EXPECT_EQ(part.DataString(), "456");
}

TEST(FileStream, CreateWriteReopenAndRead) {
  TempDir dir;
  const std::string name = dir.File("a.txt");
  {
    TFileStream f(name, fmCreate);
    f.WriteText("line one\r\n");
    EXPECT_EQ(f.Size(), 10);
    EXPECT_EQ(f.FileName(), name);
  }
  {
    TFileStream f(name, fmOpenRead);
    char buf[32] = {};
    EXPECT_EQ(f.Read(buf, 32), 10);
    EXPECT_EQ(std::string(buf, 10), "line one\r\n");
    EXPECT_EQ(f.Seek(-4, soEnd), 6);
    EXPECT_EQ(f.Read(buf, 2), 2);
    EXPECT_EQ(std::string(buf, 2), "ne");
  }
  {
    // Open for writing keeps the contents; fmCreate empties them.
    TFileStream f(name, fmOpenReadWrite);
    f.Seek(0, soEnd);
    f.WriteText("x");
    EXPECT_EQ(f.Size(), 11);
    f.SetSize(4);
    EXPECT_EQ(f.Size(), 4);
    EXPECT_EQ(f.Position(), 4);
  }
  TFileStream again(name, fmCreate);
  EXPECT_EQ(again.Size(), 0);
}

TEST(FileStream, MemoryStreamRoundTripsThroughAFile) {
  TempDir dir;
  TMemoryStream m;
  m.WriteText(std::string("bin\0ary", 7));
  m.SaveToFile(dir.File("m.bin"));
  TMemoryStream back;
  back.LoadFromFile(dir.File("m.bin"));
  EXPECT_EQ(std::string(back.Memory(), size_t(back.Size())), std::string("bin\0ary", 7));
  EXPECT_EQ(back.Position(), 0);
}

TEST(FileStream, OpenErrorsCarryTheNameAndTheReason) {
  TempDir dir;
  const std::string missing = dir.File("missing.txt");
  EXPECT_EQ(MessageOf<EFOpenError>([&] { TFileStream f(missing, fmOpenRead); }),
            "Cannot open file \"" + missing + "\". No such file or directory");
  const std::string badDir = dir.File("no/such/dir/x.txt");
  EXPECT_EQ(MessageOf<EFCreateError>([&] { TFileStream f(badDir, fmCreate); }),
            "Cannot create file \"" + badDir + "\". No such file or directory");
  // A directory is not a file to stream.
  const std::string self = dir.File("");
  EXPECT_EQ(MessageOf<EFOpenError>([&] { TFileStream f(self, fmOpenRead); }),
            "Cannot open file \"" + self + "\". Is a directory");
  // Both are stream errors for a caller that does not care which.
  EXPECT_THROW(TFileStream f(missing, fmOpenWrite), EStreamError);
}

TEST(FileStream, WritingAReadOnlyFileRaises) {
  TempDir dir;
  const std::string name = dir.File("ro.txt");
  { TFileStream f(name, fmCreate); }
  TFileStream f(name, fmOpenRead);
  EXPECT_THROW(f.Write("a", 1), EStreamError);
  EXPECT_EQ(MessageOf<EStreamError>([&] { f.Seek(-1, soBeginning); }),
            "Invalid stream position: -1");
}
