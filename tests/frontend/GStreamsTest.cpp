#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "core/Exceptions.h"
#include "frontend/GStreams.h"
#include "support/ExceptionText.h"

namespace {

// A string stream that counts the calls that reach it, can refuse writes and
// reports its own destruction.
class TProbeStream : public TStringStream {
 public:
  explicit TProbeStream(std::string_view text = {}, bool* destroyed = nullptr)
      : TStringStream(text), destroyed_(destroyed) {}
  ~TProbeStream() override {
    if (destroyed_) *destroyed_ = true;
  }
  int64_t Read(void* buffer, int64_t count) override {
    ++reads;
    return TStringStream::Read(buffer, count);
  }
  int64_t Write(const void* buffer, int64_t count) override {
    ++writes;
    return refuseWrites ? 0 : TStringStream::Write(buffer, count);
  }
  int reads = 0;
  int writes = 0;
  bool refuseWrites = false;

 private:
  bool* destroyed_;
};

std::vector<std::string> AllLines(TGTextStream& s) {
  std::vector<std::string> lines;
  while (!s.AtEnd()) lines.push_back(s.ReadLine());
  return lines;
}

}  // namespace

TEST(BufferStream, FillsOncePerBufferAndKnowsItsEnd) {
  TProbeStream under(std::string(8193, 'x'));
  TGTextStream s(&under);
  int fills = 0;
  s.SetOnFillBuffer([&](TGBufferStream& sender) {
    EXPECT_EQ(&sender, &s);
    ++fills;
  });
  std::string block(8192, '\0');
  EXPECT_EQ(s.Read(block.data(), 8192), 8192);
  EXPECT_EQ(fills, 1);
  EXPECT_FALSE(s.AtEnd());
  EXPECT_EQ(s.ReadChar(), 'x');
  EXPECT_EQ(fills, 2);
  EXPECT_TRUE(s.AtEnd());
  EXPECT_EQ(s.ReadChar(), '\0');
  EXPECT_EQ(s.Position(), 8193);
}

TEST(BufferStream, ReadsAcrossBufferBoundariesInOnePiece) {
  std::string text;
  for (int i = 0; i < 20000; ++i) text += char('a' + i % 26);
  TProbeStream under(text);
  TGBufferStream s(&under);
  std::string got(20000, '\0');
  EXPECT_EQ(s.Read(got.data(), 5), 5);
  EXPECT_EQ(s.Read(got.data() + 5, 30000), 19995);
  EXPECT_EQ(got, text);
  EXPECT_EQ(under.reads, 4);  // three full or partial buffers, one empty fill
}

TEST(BufferStream, PushBackNeedsAByteReadFromThePresentBuffer) {
  TStringStream under("ab");
  TGTextStream s(&under);
  EXPECT_EQ(MessageOf<EStreamError>([&] { s.PushBack('z'); }), "Overflow on push back");
  EXPECT_EQ(s.ReadChar(), 'a');
  s.PushBack('q');  // the given-back character is what is read next
  EXPECT_EQ(s.Position(), 0);
  EXPECT_EQ(s.ReadChar(), 'q');
  EXPECT_EQ(s.ReadChar(), 'b');
  s.PushBack('b');
  s.PushBack('a');
  EXPECT_EQ(MessageOf<EStreamError>([&] { s.PushBack('-'); }), "Overflow on push back");
  s.Seek(1, soBeginning);
  EXPECT_THROW(s.PushBack('x'), EStreamError);
}

TEST(BufferStream, PushBackWorksRightAfterARefill) {
  TStringStream under(std::string(8192, 'a') + "bc");
  TGTextStream s(&under);
  std::string block(8192, '\0');
  s.Read(block.data(), 8192);
  EXPECT_EQ(s.ReadChar(), 'b');
  s.PushBack('b');
  EXPECT_EQ(s.ReadLine(), "bc");
}

TEST(BufferStream, SeekOrigins) {
  TStringStream under("0123456789");
  TGTextStream s(&under);
  EXPECT_EQ(s.Seek(3, soBeginning), 3);
  EXPECT_EQ(s.ReadChar(), '3');
  EXPECT_EQ(s.Seek(2, soCurrent), 6);
  EXPECT_EQ(s.ReadChar(), '6');
  // From the end, the offset counts backwards.
  EXPECT_EQ(s.Seek(2, soEnd), 8);
  EXPECT_EQ(s.ReadChar(), '8');
  EXPECT_EQ(s.Seek(0, soEnd), 10);
  EXPECT_TRUE(s.AtEnd());
  EXPECT_EQ(MessageOf<EStreamError>([&] { s.Seek(0, 7); }), "Invalid Origin Point specified: 7");
  EXPECT_EQ(MessageOf<EStreamError>([&] { s.Seek(0, -1); }),
            "Invalid Origin Point specified: -1");
}

TEST(BufferStream, SeekToThePresentPositionKeepsTheBuffer) {
  TProbeStream under("abcdef");
  TGTextStream s(&under);
  EXPECT_EQ(s.ReadChar(), 'a');
  EXPECT_EQ(s.Position(), 1);
  EXPECT_EQ(s.Seek(1, soBeginning), 1);
  EXPECT_EQ(s.ReadChar(), 'b');
  s.PushBack('b');  // still the same buffer
  EXPECT_EQ(under.reads, 1);
}

TEST(BufferStream, SeekWritesPendingBytesAndReportsAFailedFlush) {
  TProbeStream under;
  TGTextStream s(&under);
  s.WriteChar('a');
  EXPECT_EQ(under.writes, 0);
  EXPECT_EQ(s.Size(), 1);  // pending bytes count
  EXPECT_EQ(s.Seek(0, soBeginning), 0);
  EXPECT_EQ(under.DataString(), "a");
  under.refuseWrites = true;
  s.WriteChar('b');
  EXPECT_EQ(MessageOf<EStreamError>([&] { s.Seek(0, soBeginning); }), "Error seeking in buffer");
}

TEST(BufferStream, WritesFlushPerBufferFullAndOnDestruction) {
  TProbeStream under;
  int flushes = 0;
  {
    TGBufferStream s(&under);
    s.SetOnFlushBuffer([&](TGBufferStream&) { ++flushes; });
    const std::string text(8192 * 2 + 10, 'w');
    EXPECT_EQ(s.Write(text.data(), int64_t(text.size())), int64_t(text.size()));
    EXPECT_EQ(under.writes, 2);
    EXPECT_EQ(s.State(), TGBufferStream::bsWriting);
    EXPECT_EQ(s.Position(), 8192 * 2 + 10);
  }
  EXPECT_EQ(under.writes, 3);
  EXPECT_EQ(under.DataString().size(), 8192u * 2 + 10);
  EXPECT_EQ(flushes, 2);  // the destructor flushes without notifying
}

TEST(BufferStream, RefusedWriteIsReportedAsShort) {
  TProbeStream under;
  under.refuseWrites = true;
  TGBufferStream s(&under);
  const std::string text(9000, 'w');
  EXPECT_EQ(s.Write(text.data(), 9000), 0);
  TGTextStream t(&under);
  t.WriteLine("x");  // only buffered so far
  EXPECT_FALSE(t.FlushBuffer());
  EXPECT_EQ(under.DataString(), "");
}

TEST(BufferStream, WriteAfterReadLandsAtTheLogicalPosition) {
  TStringStream under("abcdef");
  {
    TGTextStream s(&under);
    EXPECT_EQ(s.ReadChar(), 'a');
    EXPECT_EQ(s.ReadChar(), 'b');
    s.WriteChar('X');
    EXPECT_EQ(s.Position(), 3);
    // Reading again after a write continues behind the written bytes.
    EXPECT_EQ(s.ReadChar(), 'd');
    EXPECT_EQ(s.Position(), 4);
  }
  EXPECT_EQ(under.DataString(), "abXdef");
}

TEST(BufferStream, SetSizeTruncatesBehindPendingBytes) {
  TStringStream under("abcdef");
  TGTextStream s(&under);
  s.Seek(4, soBeginning);
  s.WriteChar('Z');
  s.SetSize(3);
  EXPECT_EQ(under.DataString(), "abc");
  EXPECT_EQ(s.Position(), 3);
  EXPECT_TRUE(s.AtEnd());
}

TEST(TextStream, AllLineEndsAreAlike) {
  TStringStream under("one\r\ntwo\nthree\rfour\r\rsix");
  TGTextStream s(&under);
  EXPECT_EQ(AllLines(s), (std::vector<std::string>{"one", "two", "three", "four", "", "six"}));
  EXPECT_EQ(s.ReadLine(), "");
}

TEST(TextStream, LineEndSplitAcrossBuffersIsOneLineEnd) {
  TStringStream under(std::string(8191, 'a') + "\r\nb");
  TGTextStream s(&under);
  EXPECT_EQ(s.ReadLine().size(), 8191u);
  EXPECT_EQ(s.ReadLine(), "b");
  EXPECT_TRUE(s.AtEnd());
}

TEST(TextStream, NulBytesAreOrdinaryBytesInLines) {
  const std::string text("a\0b\nc", 5);
  auto s = TGTextStream::CreateFromText(text);
  EXPECT_EQ(s->ReadLine(), std::string("a\0b", 3));
  EXPECT_EQ(s->ReadLine(), "c");
}

TEST(TextStream, SkipBlankLine) {
  TStringStream under(" \t\r\n  \r x\n");
  TGTextStream s(&under);
  EXPECT_TRUE(s.SkipBlankLine());   // " \t\r\n"
  EXPECT_TRUE(s.SkipBlankLine());   // "  \r", the blank behind CR is given back
  EXPECT_FALSE(s.SkipBlankLine());  // " x": x is given back
  EXPECT_EQ(s.ReadChar(), 'x');
  EXPECT_TRUE(s.SkipBlankLine());   // "\n"
  EXPECT_FALSE(s.SkipBlankLine());  // the end
}

TEST(TextStream, SkipBlankLineTreatsControlBytesAsBlanksAndStopsAtTheEnd) {
  const std::string text("\0\x01\x1f\n \r", 6);
  auto s = TGTextStream::CreateFromText(text);
  EXPECT_TRUE(s->SkipBlankLine());
  EXPECT_TRUE(s->SkipBlankLine());  // " \r" at the very end
  EXPECT_FALSE(s->SkipBlankLine());
  EXPECT_TRUE(s->AtEnd());
  // Bytes above 127 are not blanks.
  auto t = TGTextStream::CreateFromText("\xe9");
  EXPECT_FALSE(t->SkipBlankLine());
  EXPECT_EQ(t->ReadChar(), '\xe9');
}

TEST(TextStream, WriteLineEndsWithCrLf) {
  TStringStream under;
  {
    TGTextStream s(&under);
    s.WriteLine("ab");
    s.WriteChar('c');
    s.WriteNewLine();
  }
  EXPECT_EQ(under.DataString(), "ab\r\nc\r\n");
}

TEST(TextStream, OwnsStreamDestroysTheUnderlyingStreamAfterFlushing) {
  bool destroyed = false;
  {
    TGTextStream s(std::make_unique<TProbeStream>("", &destroyed));
    EXPECT_TRUE(s.OwnsStream());
    s.WriteLine("kept");
  }
  EXPECT_TRUE(destroyed);

  destroyed = false;
  TProbeStream kept("", &destroyed);
  {
    TGTextStream s(&kept);
    EXPECT_FALSE(s.OwnsStream());
    s.WriteLine("x");
  }
  EXPECT_FALSE(destroyed);
  EXPECT_EQ(kept.DataString(), "x\r\n");
}

TEST(TextStream, CreateFromFile) {
  const auto dir = std::filesystem::temp_directory_path() /
                   ("ie-gstreams-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  const std::string name = (dir / "t.txt").string();
  {
    auto out = TGTextStream::CreateFromFile(name, fmCreate);
    EXPECT_TRUE(out->OwnsStream());
    out->WriteLine("first");
    out->WriteLine("second");
  }
  {
    auto in = TGTextStream::CreateFromFile(name, fmOpenRead);
    EXPECT_EQ(AllLines(*in), (std::vector<std::string>{"first", "second"}));
  }
  EXPECT_THROW(TGTextStream::CreateFromFile((dir / "none").string(), fmOpenRead), EFOpenError);
  std::filesystem::remove_all(dir);
}
