// The engine's logical I/O: the stream table, print-out routing, reads from
// streams, batch files and host events, dribble files and fact files.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "core/Exceptions.h"
#include "core/Streams.h"
#include "engine/InferenceEngine.h"
#include "support/ScratchFiles.h"
#include "frontend/GStreams.h"

namespace {

namespace fs = std::filesystem;

struct TOutput {
  std::string OutId;
  std::string Text;
  bool operator==(const TOutput&) const = default;
};

using testfiles::ReadFile;
using testfiles::WriteFile;

class IOStreamsTest : public ::testing::Test {
 protected:
  IOStreamsTest() {
    engine.SetPackages(TFunctionPackages{pStandard});
    engine.OnPrintOut = [this](TObject*, const std::string& outId, const std::string& text) {
      output.push_back({outId, text});
    };
  }
  std::string Path(const char* name) const { return (dir / name).string(); }
  // Everything printed, joined.
  std::string Printed() const {
    std::string all;
    for (const TOutput& line : output) all += line.Text;
    return all;
  }

  testfiles::TScratchDir scratch{"ie-io-"};
  const fs::path& dir = scratch.Path();
  TInferenceEngine engine;
  std::vector<TOutput> output;
};

}  // namespace

TEST_F(IOStreamsTest, StandardOutputKeepsTheLogicalNameItCameWith) {
  engine.PrintOut("t", "a");
  engine.PrintOut("b");
  engine.SetWatch(TConstructWatches{cwFact});
  engine.AssertString("(x)");
  ASSERT_EQ(output.size(), 3u);
  EXPECT_EQ(output[0], (TOutput{"t", "a"}));
  EXPECT_EQ(output[1], (TOutput{"", "b"}));
  EXPECT_EQ(output[2].OutId, "");
  EXPECT_EQ(output[2].Text.rfind(" ==> ", 0), 0u);
}

TEST_F(IOStreamsTest, UnknownNamesAreDroppedWithAHandlerAndRaiseWithout) {
  engine.PrintOut("nowhere", "lost");
  EXPECT_TRUE(output.empty());
  engine.OnPrintOut = nullptr;
  try {
    engine.PrintOut("nowhere", "lost");
    FAIL() << "no error";
  } catch (const EIEException& e) {
    EXPECT_STREQ(e.what(), "Function is unimplemented or unassigned: printout");
  }
  // Standard output without a handler goes nowhere, silently.
  EXPECT_NO_THROW(engine.PrintOut("t", "quiet"));
}

TEST_F(IOStreamsTest, StreamsAreFoundWithoutRegardToCaseAndClosedWhenRemoved) {
  engine.IOStreams().AddStream("Out", TGTextStream::CreateFromFile(Path("out.txt"), fmCreate));
  EXPECT_EQ(&engine.GetIOStream("out"), &engine.GetIOStream("OUT"));
  engine.PrintOut("oUt", "one\r\n");
  EXPECT_EQ(ReadFile(dir / "out.txt"), "one\r\n");  // written through at once
  engine.IOStreams().RemoveStream("OUT");
  EXPECT_EQ(engine.IOStreams().Count(), 0);
  EXPECT_TRUE(output.empty());
  try {
    engine.IOStreams().RemoveStream("out");
    FAIL() << "no error";
  } catch (const EIEException& e) {
    EXPECT_STREQ(e.what(), "Invalid stream name: out");
  }
  EXPECT_THROW(engine.GetIOStream("out"), EIEException);
}

TEST_F(IOStreamsTest, ClearClosesEveryStream) {
  engine.IOStreams().AddStream("a", TGTextStream::CreateFromFile(Path("a.txt"), fmCreate));
  engine.IOStreams().AddStream("b", TGTextStream::CreateFromFile(Path("b.txt"), fmCreate));
  engine.PrintOut("a", "kept");
  engine.Clear();
  EXPECT_EQ(engine.IOStreams().Count(), 0);
  EXPECT_EQ(ReadFile(dir / "a.txt"), "kept");
}

TEST_F(IOStreamsTest, ReadsFromARegisteredStream) {
  WriteFile(dir / "in.txt", "first rest of line\r\n\"a string\" more\nlast line");
  engine.IOStreams().AddStream("in", engine.CreateTokenizerStream(Path("in.txt"), fmOpenRead));
  IStreamToken token;
  engine.ReadToken("IN", token);
  EXPECT_EQ(token->GetText(), "first");
  engine.ReadToken("in", token);  // the rest of the first line was skipped
  EXPECT_EQ(token->GetDataType(), dtString);
  EXPECT_EQ(token->GetText(), "a string");
  std::string line;
  engine.ReadLine("in", line);
  EXPECT_EQ(line, "last line");
  engine.ReadLine("in", line);
  EXPECT_EQ(line, "");  // at the end
}

TEST_F(IOStreamsTest, StandardInputComesFromTheHostEventsOrFails) {
  try {
    std::string line;
    engine.ReadLine("t", line);
    FAIL() << "no error";
  } catch (const EIEException& e) {
    EXPECT_STREQ(e.what(),
                 "The readline event has not been implemented or unassigned.\r\nWarning: "
                 "Implementation of this function requires a blocking mechanism, \r\nsuch as "
                 "ShowModal, or the use of threads");
  }
  IStreamToken token;
  try {
    engine.ReadToken("", token);
    FAIL() << "no error";
  } catch (const EIEException& e) {
    EXPECT_EQ(std::string(e.what()).rfind("The read event", 0), 0u);
  }
  std::vector<std::string> asked;
  engine.OnReadLine = [&](TObject*, const std::string& inId, std::string& text) {
    asked.push_back(inId);
    text = "typed";
  };
  engine.OnReadToken = [&](TObject*, const std::string& inId, IStreamToken& result) {
    asked.push_back(inId);
    result = MakeRef<TIEStreamToken>(dtAtom, "word");
  };
  std::string line;
  engine.ReadLine("unknown", line);  // an unregistered name reads like "t"
  engine.ReadToken("t", token);
  EXPECT_EQ(line, "typed");
  EXPECT_EQ(token->GetText(), "word");
  EXPECT_EQ(asked, (std::vector<std::string>{"unknown", "t"}));
}

TEST_F(IOStreamsTest, DribbleCapturesStandardOutputOnly) {
  engine.IOStreams().AddStream("log", TGTextStream::CreateFromFile(Path("log.txt"), fmCreate));
  ASSERT_TRUE(engine.DribbleOnFile(Path("dribble.txt")));
  engine.PrintOut("t", "to file\r\n");
  engine.PrintOut("", "trace\r\n");
  engine.PrintOut("log", "named");
  EXPECT_TRUE(output.empty());
  EXPECT_TRUE(engine.DribbleOff());
  engine.PrintOut("t", "to host");
  EXPECT_EQ(ReadFile(dir / "dribble.txt"), "to file\r\ntrace\r\n");
  EXPECT_EQ(ReadFile(dir / "log.txt"), "named");
  EXPECT_EQ(output, (std::vector<TOutput>{{"t", "to host"}}));
}

TEST_F(IOStreamsTest, DribbleOnAgainClosesTheFirstFile) {
  ASSERT_TRUE(engine.DribbleOnFile(Path("one.txt")));
  engine.PrintOut("t", "1");
  ASSERT_TRUE(engine.DribbleOnFile(Path("two.txt")));
  engine.PrintOut("t", "2");
  EXPECT_EQ(ReadFile(dir / "one.txt"), "1");
  engine.DribbleOff();
  EXPECT_EQ(ReadFile(dir / "two.txt"), "2");
}

TEST_F(IOStreamsTest, DribbleToAMissingDirectoryFailsQuietly) {
  EXPECT_FALSE(engine.DribbleOnFile(Path("missing/dribble.txt")));
  EXPECT_FALSE(engine.Dribbling());
  engine.PrintOut("t", "still here");
  EXPECT_EQ(output.size(), 1u);
}

TEST_F(IOStreamsTest, BatchLinesReadByACommandAreEchoedAndNotEvaluated) {
  WriteFile(dir / "b.bat",
            "(printout t \"got \" (readline) crlf)\r\n"
            "(printout t \"not run\" crlf)\r\n"
            "(printout t \"second \" (read) crlf)\r\n"
            "token and the rest\r\n");
  EXPECT_TRUE(engine.BatchFile(Path("b.bat")));
  const std::string printed = Printed();
  EXPECT_NE(printed.find("(printout t \"not run\" crlf)\r\ngot (printout t \"not run\" crlf)\r\n"),
            std::string::npos)
      << printed;
  EXPECT_NE(printed.find("token\r\nsecond token\r\n"), std::string::npos) << printed;
  EXPECT_EQ(printed.find("not run\r\n"), std::string::npos) << printed;
  EXPECT_EQ(printed.find("rest"), std::string::npos) << printed;
}

TEST_F(IOStreamsTest, BatchesNestAndRestoreTheOuterFile) {
  WriteFile(dir / "inner.bat", "(printout t \"inner\" crlf)\r\n");
  WriteFile(dir / "outer.bat", "(batch \"" + Path("inner.bat") +
                                   "\")\r\n(printout t \"outer \" (readline) crlf)\r\nline\r\n");
  EXPECT_TRUE(engine.BatchFile(Path("outer.bat")));
  const std::string printed = Printed();
  EXPECT_LT(printed.find("inner\r\n"), printed.find("outer line\r\n")) << printed;
  // No batch is running any more: standard input needs the host again.
  std::string line;
  EXPECT_THROW(engine.ReadLine("t", line), EIEException);
}

TEST_F(IOStreamsTest, AFailingBatchLineStopsTheBatchAndPassesTheError) {
  WriteFile(dir / "bad.bat", "(printout t \"one\" crlf)\r\n(close nothing)\r\n(printout t \"two\")\r\n");
  EXPECT_THROW(engine.BatchFile(Path("bad.bat")), EIEException);
  EXPECT_EQ(Printed().find("two"), std::string::npos);
  std::string line;
  EXPECT_THROW(engine.ReadLine("t", line), EIEException);
  EXPECT_THROW(engine.BatchFile(Path("absent.bat")), Exception);
}

TEST_F(IOStreamsTest, FactFilesRoundTrip) {
  engine.Evaluate("(deftemplate p (slot n)) (deftemplate q (slot m))");
  engine.AssertString("(p (n 1))");
  engine.AssertString("(q (m 2))");
  engine.AssertString("(p (n 3))");
  TStringStream onlyP;
  engine.SaveFactsOfTemplate(onlyP, "p");
  EXPECT_EQ(onlyP.DataString(), "(p (n 1))\r\n(p (n 3))\r\n");
  engine.SaveFactsToFile(Path("facts.txt"));
  const std::string saved = ReadFile(dir / "facts.txt");
  EXPECT_NE(saved.find("(q (m 2))\r\n"), std::string::npos);
  const int32_t before = engine.FactCount();
  engine.Reset();
  engine.LoadFactsFromFile(Path("facts.txt"));
  TStringStream again;
  engine.SaveFactsToStream(again);
  EXPECT_EQ(again.DataString(), saved);
  EXPECT_EQ(engine.FactCount(), before);
}
