#include "core/ComponentStream.h"

#include <charconv>
#include <cmath>
#include <optional>
#include <vector>

#include "core/ClassRegistry.h"
#include "core/Component.h"
#include "core/Exceptions.h"
#include "core/FloatText.h"
#include "core/Format.h"
#include "core/IEConsts.h"
#include "core/TextCompare.h"
#include "core/Streams.h"

namespace {

constexpr char kCrLf[] = "\r\n";
// Deeper nesting than this is taken for a damaged stream (and keeps the
// recursive reader far from the end of the stack).
constexpr int kMaxDepth = 256;

bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// ---------------------------------------------------------------- writing

[[noreturn]] void KindMismatch(const std::string& owner, const TProperty& p) {
  throw EPropertyError(Format(SPropertyKindMismatch, {owner, p.Name}));
}

std::string EnumName(const TProperty& p, int64_t ordinal) {
  if (p.EnumNames && ordinal >= 0 && size_t(ordinal) < p.EnumNames->size())
    return (*p.EnumNames)[size_t(ordinal)];
  return std::to_string(ordinal);
}

std::string ValueText(const TProperty& p, const TPropertyValue& v, const std::string& owner,
                      const std::string& indent) {
  switch (p.Kind) {
    case pkInteger:
      if (auto* i = std::get_if<int64_t>(&v)) return std::to_string(*i);
      break;
    case pkFloat:
      if (auto* d = std::get_if<double>(&v)) return FloatToText(*d);
      break;
    case pkBoolean:
      if (auto* b = std::get_if<bool>(&v)) return *b ? "True" : "False";
      break;
    case pkString:
      if (auto* s = std::get_if<std::string>(&v)) return QuotedStreamString(*s);
      break;
    case pkEnum:
      if (auto* i = std::get_if<int64_t>(&v)) return EnumName(p, *i);
      break;
    case pkSet:
      if (auto* i = std::get_if<int64_t>(&v)) {
        uint64_t mask = uint64_t(*i);
        size_t names = p.EnumNames ? p.EnumNames->size() : 0;
        if (names < 64 && (mask >> names) != 0) KindMismatch(owner, p);
        std::string text = "[";
        for (size_t bit = 0; bit < names; ++bit) {
          if (!(mask & (uint64_t(1) << bit))) continue;
          if (text.size() > 1) text += ", ";
          text += (*p.EnumNames)[bit];
        }
        return text + "]";
      }
      break;
    case pkStringList:
      if (auto* list = std::get_if<std::vector<std::string>>(&v)) {
        std::string text = "(";
        for (const auto& item : *list) {
          text += kCrLf;
          text += indent + "  " + QuotedStreamString(item);
        }
        return text + ")";
      }
      break;
    case pkObject:
      break;
  }
  KindMismatch(owner, p);
}

bool ShouldWrite(const TProperty& p, const TPropertyValue& v) {
  if (p.Stored && !p.Stored()) return false;
  if (std::holds_alternative<std::monostate>(v)) return false;
  return !p.Default || !(*p.Default == v);
}

class TWriter {
 public:
  std::string Text() && { return std::move(out_); }

  void WriteComponent(TComponent& c, int level) {
    std::string indent(size_t(level) * 2, ' ');
    out_ += indent + "object ";
    if (!c.Name().empty()) out_ += c.Name() + ": ";
    out_ += c.ClassName() + kCrLf;
    WriteProperties(c, c.ClassName(), "", indent + "  ", true);
    std::vector<TComponent*> children;
    c.GetChildren(children);
    for (TComponent* child : children) WriteComponent(*child, level + 1);
    out_ += indent + "end" + kCrLf;
  }

 private:
  void WriteProperties(TPersistent& object, const std::string& owner, const std::string& prefix,
                       const std::string& indent, bool isComponent) {
    std::vector<TProperty> props;
    object.Properties(props);
    for (const TProperty& p : props) {
      if (isComponent && prefix.empty() && p.Name == "Name") continue;  // in the header
      if (p.Kind == pkObject) {
        if (p.Object && (!p.Stored || p.Stored()))
          WriteProperties(*p.Object, owner, prefix + p.Name + ".", indent, false);
        continue;
      }
      if (!p.Get) continue;
      TPropertyValue v = p.Get();
      if (!ShouldWrite(p, v)) continue;
      out_ += indent + prefix + p.Name + " = " + ValueText(p, v, owner, indent) + kCrLf;
    }
  }

  std::string out_;
};

// ---------------------------------------------------------------- reading

enum TTokenKind { tkEof, tkIdent, tkInteger, tkFloat, tkString, tkSymbol };

struct TToken {
  TTokenKind Kind = tkEof;
  std::string Text;  // identifier, number text, string value or the symbol
  int Line = 1;
};

[[noreturn]] void SyntaxError(int line, const std::string& detail) {
  throw EReadError(Format(SStreamSyntaxError, {line, detail}));
}

std::string Describe(const TToken& t) {
  switch (t.Kind) {
    case tkEof: return SStreamEndOfStream;
    case tkString: return SStreamString;
    case tkInteger:
    case tkFloat: return t.Text;
    default: return "'" + t.Text + "'";
  }
}

[[noreturn]] void Expected(const std::string& what, const TToken& found) {
  SyntaxError(found.Line, Format(SStreamExpected, {what, Describe(found)}));
}

class TLexer {
 public:
  explicit TLexer(std::string_view text) : s_(text) {}

  const TToken& Peek() {
    if (!peeked_) peeked_ = Scan();
    return *peeked_;
  }
  TToken Next() {
    if (peeked_) {
      TToken t = std::move(*peeked_);
      peeked_.reset();
      return t;
    }
    return Scan();
  }

 private:
  bool AtEnd() const { return pos_ >= s_.size(); }
  char At(size_t i) const { return i < s_.size() ? s_[i] : '\0'; }

  void SkipBlanks() {
    while (!AtEnd()) {
      char c = s_[pos_];
      if (c == ' ' || c == '\t' || c == '\f' || c == '\v') {
        ++pos_;
      } else if (c == '\r') {
        ++line_;
        pos_ += At(pos_ + 1) == '\n' ? 2 : 1;
      } else if (c == '\n') {
        ++line_;
        ++pos_;
      } else {
        break;
      }
    }
  }

  TToken Scan() {
    SkipBlanks();
    TToken t;
    t.Line = line_;
    if (AtEnd()) return t;
    char c = s_[pos_];
    bool sign = c == '-' || c == '+';
    if (IsLetter(c) || (c == '-' && IsLetter(At(pos_ + 1)))) {
      size_t start = pos_++;
      while (!AtEnd() && (IsLetter(s_[pos_]) || IsDigit(s_[pos_]) || s_[pos_] == '.')) ++pos_;
      t.Kind = tkIdent;
      t.Text = std::string(s_.substr(start, pos_ - start));
    } else if (IsDigit(c) || (sign && IsDigit(At(pos_ + 1)))) {
      ScanNumber(t);
    } else if (c == '\'' || c == '#') {
      ScanString(t);
    } else if (c == '=' || c == ':' || c == '[' || c == ']' || c == '(' || c == ')' || c == ',') {
      t.Kind = tkSymbol;
      t.Text = std::string(1, c);
      ++pos_;
    } else {
      SyntaxError(line_, Format(SStreamInvalidCharacter, {int(static_cast<unsigned char>(c))}));
    }
    return t;
  }

  void ScanNumber(TToken& t) {
    size_t start = pos_;
    bool isFloat = false;
    if (s_[pos_] == '-' || s_[pos_] == '+') ++pos_;
    while (IsDigit(At(pos_))) ++pos_;
    if (At(pos_) == '.' && IsDigit(At(pos_ + 1))) {
      isFloat = true;
      ++pos_;
      while (IsDigit(At(pos_))) ++pos_;
    }
    if (At(pos_) == 'e' || At(pos_) == 'E') {
      size_t e = pos_ + 1;
      if (At(e) == '-' || At(e) == '+') ++e;
      if (IsDigit(At(e))) {
        isFloat = true;
        pos_ = e;
        while (IsDigit(At(pos_))) ++pos_;
      }
    }
    t.Kind = isFloat ? tkFloat : tkInteger;
    t.Text = std::string(s_.substr(start, pos_ - start));
  }

  // Quoted parts and #nn codes, adjacent or joined by '+' across lines.
  void ScanString(TToken& t) {
    t.Kind = tkString;
    for (;;) {
      char c = At(pos_);
      if (c == '\'') {
        ++pos_;
        for (;;) {
          if (AtEnd() || s_[pos_] == '\r' || s_[pos_] == '\n')
            SyntaxError(line_, SStreamUnterminatedString);
          char q = s_[pos_++];
          if (q != '\'') {
            t.Text += q;
          } else if (At(pos_) == '\'') {
            t.Text += '\'';
            ++pos_;
          } else {
            break;
          }
        }
      } else if (c == '#') {
        size_t start = ++pos_;
        while (IsDigit(At(pos_)) && pos_ - start < 4) ++pos_;
        std::string digits(s_.substr(start, pos_ - start));
        int code = digits.empty() ? 256 : std::stoi(digits);
        if (code > 255 || IsDigit(At(pos_))) SyntaxError(line_, Format(SStreamInvalidCharCode, {digits}));
        t.Text += char(code);
      } else {
        // A '+' continues the string when another part follows it.
        size_t savedPos = pos_;
        int savedLine = line_;
        SkipBlanks();
        if (At(pos_) == '+') {
          ++pos_;
          SkipBlanks();
          if (At(pos_) == '\'' || At(pos_) == '#') continue;
        }
        pos_ = savedPos;
        line_ = savedLine;
        return;
      }
    }
  }

  std::string_view s_;
  size_t pos_ = 0;
  int line_ = 1;
  std::optional<TToken> peeked_;
};

// A value as it stands in the stream, before it meets its property.
struct TRawValue {
  TTokenKind Kind = tkEof;           // tkIdent, tkInteger, tkFloat, tkString; tkSymbol for lists
  char Bracket = 0;                  // '[' set, '(' string list
  std::string Text;
  std::vector<std::string> Items;
};

std::optional<int64_t> ToInteger(const std::string& text) {
  const char* first = text.data();
  const char* last = first + text.size();
  if (first != last && *first == '+') ++first;
  int64_t v = 0;
  auto [ptr, ec] = std::from_chars(first, last, v);
  if (ec != std::errc() || ptr != last) return std::nullopt;
  return v;
}

std::optional<double> ToFloat(const TRawValue& raw) {
  if (raw.Kind == tkIdent) {
    if (SameText(raw.Text, "NAN")) return std::nan("");
    if (SameText(raw.Text, "INF")) return HUGE_VAL;
    if (SameText(raw.Text, "-INF")) return -HUGE_VAL;
    return std::nullopt;
  }
  if (raw.Kind != tkInteger && raw.Kind != tkFloat) return std::nullopt;
  const char* first = raw.Text.data();
  const char* last = first + raw.Text.size();
  if (first != last && *first == '+') ++first;
  double v = 0;
  auto [ptr, ec] = std::from_chars(first, last, v);
  if (ec != std::errc() || ptr != last) return std::nullopt;
  return v;
}

std::optional<int64_t> EnumOrdinal(const TProperty& p, const std::string& name) {
  if (!p.EnumNames) return std::nullopt;
  const auto& names = *p.EnumNames;
  for (size_t i = 0; i < names.size(); ++i)
    if (names[i] == name) return int64_t(i);
  for (size_t i = 0; i < names.size(); ++i)
    if (SameText(names[i], name)) return int64_t(i);
  return std::nullopt;
}

std::optional<TPropertyValue> Convert(const TProperty& p, const TRawValue& raw) {
  switch (p.Kind) {
    case pkInteger:
      if (raw.Kind == tkInteger)
        if (auto v = ToInteger(raw.Text)) return TPropertyValue(*v);
      return std::nullopt;
    case pkFloat:
      if (auto v = ToFloat(raw)) return TPropertyValue(*v);
      return std::nullopt;
    case pkBoolean:
      if (raw.Kind == tkIdent && SameText(raw.Text, "True")) return TPropertyValue(true);
      if (raw.Kind == tkIdent && SameText(raw.Text, "False")) return TPropertyValue(false);
      return std::nullopt;
    case pkString:
      if (raw.Kind == tkString) return TPropertyValue(raw.Text);
      return std::nullopt;
    case pkEnum:
      if (raw.Kind == tkIdent)
        if (auto v = EnumOrdinal(p, raw.Text)) return TPropertyValue(*v);
      if (raw.Kind == tkInteger)
        if (auto v = ToInteger(raw.Text))
          if (*v >= 0 && (!p.EnumNames || size_t(*v) < p.EnumNames->size()))
            return TPropertyValue(*v);
      return std::nullopt;
    case pkSet: {
      if (raw.Kind != tkSymbol || raw.Bracket != '[') return std::nullopt;
      uint64_t mask = 0;
      for (const auto& item : raw.Items) {
        auto v = EnumOrdinal(p, item);
        if (!v || *v >= 63) return std::nullopt;
        mask |= uint64_t(1) << *v;
      }
      return TPropertyValue(int64_t(mask));
    }
    case pkStringList:
      if (raw.Kind == tkSymbol && raw.Bracket == '(') return TPropertyValue(raw.Items);
      return std::nullopt;
    case pkObject:
      return std::nullopt;
  }
  return std::nullopt;
}

// Prefixes the message of the exception being handled with what was read where,
// and raises it again with its class kept.
[[noreturn]] void RethrowAt(Exception& e, const std::string& what, int line) {
  e.SetMessage(Format(SStreamReadError, {what, line, e.Message()}));
  throw;
}

// The property of that name; exact spelling first, then ignoring ASCII case.
std::optional<TProperty> LookUpProperty(TPersistent& object, const std::string& name) {
  std::vector<TProperty> props;
  object.Properties(props);
  for (auto& p : props)
    if (p.Name == name) return std::move(p);
  for (auto& p : props)
    if (SameText(p.Name, name)) return std::move(p);
  return std::nullopt;
}

[[noreturn]] void UnknownProperty(const std::string& cls, const std::string& path, int line) {
  throw EReadError(Format(SUnknownProperty, {cls, path, line, path}));
}

struct THeader {
  std::string Name;
  std::string ClassName;
  int Line = 1;
  std::string What() const {
    return Name.empty() ? ClassName : Name + ": " + ClassName;
  }
};

class TReader {
 public:
  explicit TReader(std::string_view text) : lex_(text) {}

  // Reads the stream into a new component owned by owner (or, without one, by
  // the caller through the result).
  TComponent* ReadNew(TComponent* owner, std::unique_ptr<TComponent>& unowned) {
    THeader h = ReadOpening();
    TComponent* c = Create(h, owner);
    if (!owner) unowned.reset(c);
    try {
      Fill(*c, h, 1);
      ReadClosing();
      FinishLoading();
    } catch (...) {
      Abandon();
      if (owner) owner->RemoveComponent(c).reset();
      unowned.reset();
      throw;
    }
    return c;
  }

  void ReadInto(TComponent& root) {
    THeader h = ReadOpening();
    try {
      if (h.ClassName != root.ClassName()) {
        std::string detail = Format(SStreamRootClassMismatch, {h.ClassName, root.ClassName()});
        throw EReadError(Format(SStreamReadError, {h.What(), h.Line, detail}));
      }
      Fill(root, h, 1);
      ReadClosing();
      FinishLoading();
    } catch (...) {
      Abandon();
      // Children made by this read go again, newest first.
      for (auto it = created_.rbegin(); it != created_.rend(); ++it)
        if ((*it)->Owner() == &root) root.RemoveComponent(*it).reset();
      throw;
    }
  }

 private:
  THeader ReadOpening() {
    TToken t = lex_.Next();
    if (t.Kind != tkIdent || !SameText(t.Text, "object")) Expected("'object'", t);
    return ReadHeader();
  }

  void ReadClosing() {
    TToken t = lex_.Next();
    if (t.Kind != tkEof) Expected(SStreamEndOfStream, t);
  }

  THeader ReadHeader() {
    TToken first = lex_.Next();
    if (first.Kind != tkIdent) Expected(SStreamIdentifier, first);
    THeader h;
    h.Line = first.Line;
    if (lex_.Peek().Kind == tkSymbol && lex_.Peek().Text == ":") {
      lex_.Next();
      TToken cls = lex_.Next();
      if (cls.Kind != tkIdent) Expected(SStreamIdentifier, cls);
      h.Name = first.Text;
      h.ClassName = cls.Text;
    } else {
      h.ClassName = first.Text;
    }
    return h;
  }

  TComponent* Create(const THeader& h, TComponent* owner) {
    TComponent* c = nullptr;
    try {
      c = CreateComponentByClassName(h.ClassName, owner);
    } catch (Exception& e) {
      RethrowAt(e, h.What(), h.Line);
    }
    if (owner) created_.push_back(c);
    return c;
  }

  // Name, properties and children of c, up to and including its "end".
  void Fill(TComponent& c, const THeader& h, int depth) {
    read_.push_back(&c);
    c.SetComponentStateItem(csLoading, true);
    try {
      c.SetName(h.Name);
    } catch (Exception& e) {
      RethrowAt(e, h.What(), h.Line);
    }
    for (;;) {
      TToken t = lex_.Next();
      if (t.Kind != tkIdent) Expected("'end'", t);
      bool assignment = lex_.Peek().Kind == tkSymbol && lex_.Peek().Text == "=";
      if (!assignment && SameText(t.Text, "end")) break;
      if (!assignment && SameText(t.Text, "object")) {
        if (depth >= kMaxDepth) SyntaxError(t.Line, Format(SStreamNestingTooDeep, {kMaxDepth}));
        THeader childHeader = ReadHeader();
        TComponent* child = Create(childHeader, &c);
        Fill(*child, childHeader, depth + 1);
        continue;
      }
      ReadProperty(c, t);
    }
  }

  TRawValue ReadValue() {
    TToken t = lex_.Next();
    TRawValue raw;
    raw.Kind = t.Kind;
    raw.Text = t.Text;
    if (t.Kind == tkIdent || t.Kind == tkInteger || t.Kind == tkFloat || t.Kind == tkString)
      return raw;
    if (t.Kind == tkSymbol && t.Text == "[") {
      raw.Bracket = '[';
      TToken item = lex_.Next();
      if (item.Kind == tkSymbol && item.Text == "]") return raw;
      for (;;) {
        if (item.Kind != tkIdent) Expected(SStreamIdentifier, item);
        raw.Items.push_back(item.Text);
        TToken sep = lex_.Next();
        if (sep.Kind == tkSymbol && sep.Text == "]") return raw;
        if (sep.Kind != tkSymbol || sep.Text != ",") Expected("']'", sep);
        item = lex_.Next();
      }
    }
    if (t.Kind == tkSymbol && t.Text == "(") {
      raw.Bracket = '(';
      for (;;) {
        TToken item = lex_.Next();
        if (item.Kind == tkSymbol && item.Text == ")") return raw;
        if (item.Kind != tkString) Expected(SStreamString, item);
        raw.Items.push_back(std::move(item.Text));
      }
    }
    Expected(SStreamValue, t);
  }

  void ReadProperty(TComponent& c, const TToken& nameToken) {
    TToken eq = lex_.Next();
    if (eq.Kind != tkSymbol || eq.Text != "=") Expected("'='", eq);
    TRawValue raw = ReadValue();
    const std::string& path = nameToken.Text;
    const std::string cls = c.ClassName();
    int line = nameToken.Line;
    // Walk the dotted path through sub-objects to the property itself.
    TPersistent* object = &c;
    std::optional<TProperty> prop;
    size_t start = 0;
    for (;;) {
      size_t dot = path.find('.', start);
      std::string part = path.substr(start, dot == std::string::npos ? std::string::npos : dot - start);
      prop = LookUpProperty(*object, part);
      if (!prop) UnknownProperty(cls, path, line);
      if (dot == std::string::npos) break;
      if (prop->Kind != pkObject || !prop->Object) UnknownProperty(cls, path, line);
      object = prop->Object;
      start = dot + 1;
    }
    std::optional<TPropertyValue> value = Convert(*prop, raw);
    if (!value || !prop->Set) throw EReadError(Format(SInvalidPropertyValue, {cls, path, line}));
    try {
      prop->Set(*value);
    } catch (Exception& e) {
      RethrowAt(e, cls + "." + path, line);
    }
  }

  void FinishLoading() {
    for (TComponent* c : read_) {
      c->SetComponentStateItem(csLoading, false);
    }
    // Every property of the whole tree is set before the first Loaded.
    for (TComponent* c : read_) c->Loaded();
  }

  void Abandon() {
    for (TComponent* c : read_) {
      c->SetComponentStateItem(csLoading, false);
    }
    read_.clear();
  }

  TLexer lex_;
  std::vector<TComponent*> read_;     // every component read, in reading order
  std::vector<TComponent*> created_;  // components this read made with an owner
};

std::string RestOfStream(TStream& stream) {
  std::string text;
  char buffer[8192];
  for (;;) {
    int64_t n = stream.Read(buffer, sizeof buffer);
    if (n <= 0) break;
    text.append(buffer, size_t(n));
  }
  return text;
}

}  // namespace

std::string QuotedStreamString(std::string_view text) {
  if (text.empty()) return "''";
  std::string out;
  bool quoted = false;
  for (char ch : text) {
    unsigned char b = static_cast<unsigned char>(ch);
    if (b < 32 || b == 127) {
      if (quoted) out += '\'';
      quoted = false;
      out += '#' + std::to_string(b);
    } else {
      if (!quoted) out += '\'';
      quoted = true;
      out += ch;
      if (ch == '\'') out += '\'';
    }
  }
  if (quoted) out += '\'';
  return out;
}

std::string PropertyValueToText(const TProperty& property, const TPropertyValue& value) {
  return ValueText(property, value, "", "");
}

std::string ComponentToText(TComponent& component) {
  TWriter writer;
  writer.WriteComponent(component, 0);
  return std::move(writer).Text();
}

void WriteComponent(TStream& stream, TComponent& component) {
  stream.WriteText(ComponentToText(component));
}

std::unique_ptr<TComponent> TextToComponent(std::string_view text) {
  std::unique_ptr<TComponent> result;
  TReader(text).ReadNew(nullptr, result);
  return result;
}

TComponent* ReadComponent(std::string_view text, TComponent* owner) {
  std::unique_ptr<TComponent> unowned;
  TComponent* c = TReader(text).ReadNew(owner, unowned);
  return owner ? c : unowned.release();
}

void ReadRootComponent(std::string_view text, TComponent& root) {
  TReader(text).ReadInto(root);
}

std::unique_ptr<TComponent> ReadComponentFromStream(TStream& stream) {
  return TextToComponent(RestOfStream(stream));
}

void ReadRootComponentFromStream(TStream& stream, TComponent& root) {
  ReadRootComponent(RestOfStream(stream), root);
}
