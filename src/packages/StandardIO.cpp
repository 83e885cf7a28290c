#include "packages/StandardIO.h"

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>

#include "core/Exceptions.h"
#include "core/FloatText.h"
#include "core/Format.h"
#include "core/IEConsts.h"
#include "core/Streams.h"
#include "frontend/GStreams.h"
#include "packages/BuiltinPackages.h"
#include "functions/FunctionKit.h"
#include "functions/IEFunctionCall.h"
#include "values/IEContext.h"

namespace {

// The roles of the engine the call works on: the context's, else the call's.
// A call with neither cannot do I/O and fails naming the function.
IEngineServices& EngineOf(const TIEUserFunction& function, TFunctionCall& funCall,
                          TIEContext* context) {
  IEngineServices* engine = context ? context->Engine() : nullptr;
  if (!engine) engine = dynamic_cast<IEngineServices*>(funCall.GetEngine());
  if (!engine) throw EIEException(Format(SFunctionUnimplemented, {function.FunctionName()}));
  return *engine;
}

// The text of a resolved argument; an argument that resolves to nothing has
// no text.
// The nil object names standard output: its text is empty.
std::string TextOrEmpty(const IIEValue& value) {
  if (!value || value->Equals(NilValue().get())) return std::string();
  return value->AsString();
}

// The logical name of a read: the first argument's text, empty without one.
std::string InputName(const TFunctionCall& funCall, TIEContext* context) {
  return funCall.ArgumentCount() > 0 ? TextOrEmpty(ResolveArgument(funCall, 0, context))
                                     : std::string();
}

bool IsAtom(const IIEValue& value, const char* text) {
  return value->DType() == dtAtom && value->AsString() == text;
}

// What printout appends for one resolved argument.
void AppendPrinted(std::string& buffer, const IIEValue& value) {
  if (!value) return;
  switch (value->DType()) {
    case dtAtom:
      buffer += IsAtom(value, SCrLfAtom) ? std::string("\r\n") : value->AsString();
      break;
    case dtString: case dtInteger: case dtFloat:
      buffer += value->AsString();
      break;
    case dtList:
      buffer += "(" + value->AsText() + ")";
      break;
    default:
      buffer += value->AsText();
      break;
  }
}

// Replaces every "%n" of Text by CR LF.
void ExpandNewLines(std::string& text) {
  for (size_t at = text.find("%n"); at != std::string::npos; at = text.find("%n", at + 2))
    text.replace(at, 2, "\r\n");
}

// The text format gives an argument: texts as they are, numbers in their
// general form, multifields in parentheses.
std::string FormatText(const IIEValue& value) {
  if (!value) return std::string();
  switch (value->DType()) {
    case dtAtom: case dtString:
      return value->AsString();
    case dtInteger: case dtFactId: case dtExternalAddress:
      return std::to_string(value->AsInteger());
    case dtFloat:
      return FloatToText(value->AsFloat());
    case dtList:
      return "(" + value->AsText() + ")";
    default:
      return value->AsText();
  }
}

// Characters a directive may hold between its "%" and its conversion letter.
bool IsDirectiveChar(char ch) {
  return ch == '%' || ch == '-' || (ch >= '0' && ch <= '9');
}

// Formats Head, which ends in one directive, with the argument's text. Only
// the s conversion takes an argument of any type.
std::string FormatDirective(const std::string& head, const std::string& text) {
  const char conversion = head.back();
  if (conversion != 's' && conversion != 'S')
    throw EConvertError(Format(SFormatInvalid, {head}));
  std::string directive = head;
  directive.back() = 's';
  return Format(directive, {text});
}

}  // namespace

// ---------------------------------------------------------------------------
// Streams

TOpenFunction::TOpenFunction() {
  DescribeFunction(*this, "open", 2, 3, SOpenHelp, SOpenSyntax);
}

void TOpenFunction::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  IEngineServices& engine = EngineOf(*this, funCall, context);
  const std::string mode =
      funCall.ArgumentCount() > 2 ? TextOrEmpty(ResolveArgument(funCall, 2, context)) : "r";
  if (mode != "r" && mode != "r+" && mode != "w" && mode != "a")
    throw EIEException(Format(SInvalidFileAccess, {mode}));
  const std::string fileName = TextOrEmpty(ResolveArgument(funCall, 0, context));
  std::unique_ptr<TStream> stream;
  if (mode == "r" || mode == "r+") {
    stream = engine.OpenReadStream(fileName, mode == "r" ? fmOpenRead : fmOpenReadWrite);
  } else if (mode == "a" && std::filesystem::exists(fileName)) {
    // Append keeps what the file holds: writing starts at its end.
    std::unique_ptr<TGTextStream> text = TGTextStream::CreateFromFile(fileName, fmOpenReadWrite);
    text->Seek(0, soEnd);
    stream = std::move(text);
  } else {
    stream = TGTextStream::CreateFromFile(fileName, fmCreate);
  }
  const IIEValue name = ResolveArgument(funCall, 1, context);
  engine.AddIOStream(TextOrEmpty(name), std::move(stream));
  result = name;
}

TCloseFunction::TCloseFunction() {
  DescribeFunction(*this, "close", 0, UnlimitedArguments, SCloseHelp, SCloseSyntax);
}

void TCloseFunction::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  IEngineStreams& streams = EngineOf(*this, funCall, context);
  if (funCall.ArgumentCount() == 0) streams.CloseAllIOStreams();
  for (int32_t i = 0; i < funCall.ArgumentCount(); ++i)
    streams.CloseIOStream(TextOrEmpty(ResolveArgument(funCall, i, context)));
  result = TrueAtom();
}

TReadFunction::TReadFunction() {
  DescribeFunction(*this, "read", 0, 1, SReadHelp, SReadSyntax);
}

void TReadFunction::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  IEngineServices& engine = EngineOf(*this, funCall, context);
  IIEValue value;
  // A host that supplied no token, and the end of the input, read as EOF.
  result = engine.ReadTokenValue(InputName(funCall, context), value) ? value
                                                                      : TIEValue::MakeAtom(SEofAtom);
}

TReadLineFunction::TReadLineFunction() {
  DescribeFunction(*this, "readline", 0, 1, SReadLineHelp, SReadLineSyntax);
}

void TReadLineFunction::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  IEngineServices& engine = EngineOf(*this, funCall, context);
  std::string line;
  engine.ReadLine(InputName(funCall, context), line);
  result = line.empty() ? TIEValue::MakeAtom(SEofAtom) : TIEValue::MakeString(line);
}

// ---------------------------------------------------------------------------
// Output

TPrintOutFunction::TPrintOutFunction() {
  DescribeFunction(*this, "printout", 0, UnlimitedArguments, SPrintOutHelp, SPrintOutSyntax);
}

void TPrintOutFunction::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  std::string buffer;  // this call's own text
  for (int32_t i = 1; i < funCall.ArgumentCount(); ++i)
    AppendPrinted(buffer, ResolveArgument(funCall, i, context));
  IEngineServices& engine = EngineOf(*this, funCall, context);
  if (funCall.ArgumentCount() == 0)
    engine.PrintOut(buffer);
  else
    engine.PrintOut(TextOrEmpty(ResolveArgument(funCall, 0, context)), buffer);
  result = NilValue();
}

TFormatFunction::TFormatFunction() {
  DescribeFunction(*this, "format", 2, UnlimitedArguments, SFormatHelp, SFormatSyntax);
}

void TFormatFunction::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  std::string buffer;  // this call's own text
  if (funCall.ArgumentCount() > 1 && funCall.GetArgument(1))
    buffer = funCall.GetArgument(1)->AsString();
  for (int32_t i = 2; i < funCall.ArgumentCount(); ++i) {
    size_t percent = buffer.find('%');
    size_t letter = percent + 1;
    while (percent != std::string::npos) {
      letter = percent + 1;
      while (letter + 1 < buffer.size() && IsDirectiveChar(buffer[letter])) ++letter;
      if (letter != percent + 1 || letter >= buffer.size() || buffer[letter] != 'n') break;
      buffer.replace(percent, 2, "\r\n");
      percent = buffer.find('%');
    }
    const std::string text = FormatText(ResolveArgument(funCall, i, context));
    if (percent == std::string::npos) {
      buffer += " " + text;
    } else if (letter >= buffer.size()) {
      // A lone "%" at the very end is no directive.
      throw EConvertError(Format(SFormatInvalid, {buffer}));
    } else {
      buffer = FormatDirective(buffer.substr(0, letter + 1), text) + buffer.substr(letter + 1);
    }
  }
  ExpandNewLines(buffer);
  IEngineServices& engine = EngineOf(*this, funCall, context);
  engine.PrintOut(TextOrEmpty(ResolveArgument(funCall, 0, context)), buffer);
  result = NilValue();
}

// ---------------------------------------------------------------------------
// Files

TLoadFunction::TLoadFunction() { DescribeFunction(*this, "load", 1, 1, SLoadHelp, SLoadSyntax); }

void TLoadFunction::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  IEngineServices& engine = EngineOf(*this, funCall, context);
  engine.LoadFromFile(TextOrEmpty(ResolveArgument(funCall, 0, context)));
  result = TrueAtom();
}

TSaveFunction::TSaveFunction() { DescribeFunction(*this, "save", 1, 1, SSaveHelp, SSaveSyntax); }

void TSaveFunction::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  IEngineStreams& engine = EngineOf(*this, funCall, context);
  engine.SaveToFile(TextOrEmpty(ResolveArgument(funCall, 0, context)));
  result = TrueAtom();
}

TLoadFactsFunction::TLoadFactsFunction() {
  DescribeFunction(*this, "load-facts", 1, 1, SLoadFactsHelp, SLoadFactsSyntax);
}

void TLoadFactsFunction::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  IEngineServices& engine = EngineOf(*this, funCall, context);
  engine.LoadFactsFromFile(TextOrEmpty(ResolveArgument(funCall, 0, context)));
  result = TrueAtom();
}

TSaveFactsFunction::TSaveFactsFunction() {
  DescribeFunction(*this, "save-facts", 1, UnlimitedArguments, SSaveFactsHelp, SSaveFactsSyntax);
}

void TSaveFactsFunction::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  IEngineServices& engine = EngineOf(*this, funCall, context);
  const std::string fileName = TextOrEmpty(ResolveArgument(funCall, 0, context));
  if (funCall.ArgumentCount() == 1) {
    engine.SaveFactsToFile(fileName);
  } else {
    TFileStream file(fileName, fmCreate);
    for (int32_t i = 1; i < funCall.ArgumentCount(); ++i)
      engine.SaveFactsOfTemplate(file, TextOrEmpty(ResolveArgument(funCall, i, context)));
  }
  result = TrueAtom();
}

TBatchFunction::TBatchFunction() {
  DescribeFunction(*this, "batch", 1, 1, SBatchHelp, SBatchSyntax);
}

void TBatchFunction::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  IEngineServices& engine = EngineOf(*this, funCall, context);
  result = BooleanAtom(engine.BatchFile(TextOrEmpty(ResolveArgument(funCall, 0, context))));
}

TDribbleOnFunction::TDribbleOnFunction() {
  DescribeFunction(*this, "dribble-on", 1, 1, SDribbleOnHelp, SDribbleOnSyntax);
}

void TDribbleOnFunction::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  IEngineServices& engine = EngineOf(*this, funCall, context);
  result = BooleanAtom(engine.DribbleOnFile(TextOrEmpty(ResolveArgument(funCall, 0, context))));
}

TDribbleOffFunction::TDribbleOffFunction() {
  DescribeFunction(*this, "dribble-off", 0, 0, SDribbleOffHelp, SDribbleOffSyntax);
}

void TDribbleOffFunction::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  result = BooleanAtom(EngineOf(*this, funCall, context).DribbleOff());
}

TRemoveFunction::TRemoveFunction() {
  DescribeFunction(*this, "remove", 1, 1, SRemoveHelp, SRemoveSyntax);
}

void TRemoveFunction::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  const std::string fileName = TextOrEmpty(ResolveArgument(funCall, 0, context));
  result = BooleanAtom(std::remove(fileName.c_str()) == 0);
}

TRenameFunction::TRenameFunction() {
  DescribeFunction(*this, "rename", 2, 2, SRenameHelp, SRenameSyntax);
}

void TRenameFunction::Run(TFunctionCall& funCall, TIEContext* context, IIEValue& result) {
  const std::string oldName = TextOrEmpty(ResolveArgument(funCall, 0, context));
  const std::string newName = TextOrEmpty(ResolveArgument(funCall, 1, context));
  std::error_code error;
  // The platform's rename would replace an existing file silently.
  const bool taken = std::filesystem::exists(newName, error) || error;
  result = BooleanAtom(!taken && std::rename(oldName.c_str(), newName.c_str()) == 0);
}

// ---------------------------------------------------------------------------

namespace {

const TFunctionClass ioClasses[] = {
    FunctionClassOf<TOpenFunction>(),
    FunctionClassOf<TCloseFunction>(),
    FunctionClassOf<TReadFunction>(),
    FunctionClassOf<TReadLineFunction>(),
    FunctionClassOf<TPrintOutFunction>(),
    FunctionClassOf<TFormatFunction>(),
    FunctionClassOf<TLoadFunction>(),
    FunctionClassOf<TSaveFunction>(),
    FunctionClassOf<TLoadFactsFunction>(),
    FunctionClassOf<TSaveFactsFunction>(),
    FunctionClassOf<TBatchFunction>(),
    FunctionClassOf<TDribbleOnFunction>(),
    FunctionClassOf<TDribbleOffFunction>(),
    FunctionClassOf<TRemoveFunction>(),
    FunctionClassOf<TRenameFunction>(),
};

}  // namespace

IUserFunction CreateStandardIOFunction(std::string_view className) {
  return CreateFunctionOf(ioClasses, className);
}

void RegisterStandardIOClasses() { RegisterFunctionClasses(ioClasses); }
