// The written text of values and calls.
#include "functions/WrittenText.h"

#include "functions/IEFunctionCall.h"

namespace {

constexpr char ModifyFunction[] = "modify";
constexpr char DuplicateFunction[] = "duplicate";

}  // namespace

std::string QuotedText(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 2);
  out += '"';
  for (char c : text) {
    // The tokenizer takes the character after a backslash literally.
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  out += '"';
  return out;
}

void AppendWrittenValue(std::string& out, const TIEValue* value, TFactWriter facts) {
  if (!value) return;
  switch (value->DType()) {
    case dtString:
      out += QuotedText(value->AsString());
      return;
    case dtList: {
      const IValueVector list = value->AsList();
      if (!list) return;
      for (int32_t i = 0; i < list->Count(); ++i) {
        if (i > 0) out += ' ';
        AppendWrittenValue(out, list->Get(i).get(), facts);
      }
      return;
    }
    case dtFunCall: {
      const IFunCall call = value->AsFunCall();
      if (auto* functionCall = dynamic_cast<const TFunctionCall*>(call.get()))
        out += WrittenCallText(*functionCall, facts);
      else if (call)
        out += call->AsText();
      return;
    }
    case dtFact: {
      const IFact fact = value->AsFact();
      if (fact) out += facts ? facts(*fact) : fact->AsText();
      return;
    }
    default:
      value->AppendText(out);
      return;
  }
}

std::string WrittenCallText(const TFunctionCall& call, TFactWriter facts) {
  std::string text = "(";
  text += call.FunctionName();
  const bool pairs =
      call.FunctionName() == ModifyFunction || call.FunctionName() == DuplicateFunction;
  bool first = true;
  for (const IIEValue& argument : call.Arguments()) {
    if (!argument) continue;
    // The slot/value lists of modify and duplicate go back into parentheses;
    // any other argument (a first fact argument, or one made in code that is
    // no list) is written as it stands, which reads back as the same argument.
    if (pairs && !first && argument->DType() == dtList) {
      text += " (";
      AppendWrittenValue(text, argument.get(), facts);
      text += ')';
    } else {
      text += ' ';
      AppendWrittenValue(text, argument.get(), facts);
    }
    first = false;
  }
  text += ')';
  return text;
}
