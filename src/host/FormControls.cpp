#include "host/FormControls.h"

#include <algorithm>

#include "core/ClassRegistry.h"

namespace {

const TComponentClassRegistrar<TListBox> listBoxClass("TListBox");
const TComponentClassRegistrar<TSplitter> splitterClass("TSplitter");
const TComponentClassRegistrar<TPanel> panelClass("TPanel");
const TComponentClassRegistrar<TButton> buttonClass("TButton");

}  // namespace

const std::vector<std::string>& AlignNames() {
  static const std::vector<std::string> names{"alNone", "alTop",   "alBottom",
                                              "alLeft", "alRight", "alClient"};
  return names;
}

const std::vector<std::string>& FormHandlerNames() {
  static const std::vector<std::string> names{"", "FormCreate", "FormClose", "Button1Click",
                                              "Button2Click"};
  return names;
}

TProperty IntegerProperty(const std::string& name, int32_t& member, int32_t defaultValue) {
  TProperty p;
  p.Name = name;
  p.Kind = pkInteger;
  p.Get = [&member]() -> TPropertyValue { return int64_t(member); };
  p.Set = [&member](const TPropertyValue& v) { member = int32_t(std::get<int64_t>(v)); };
  p.Default = TPropertyValue(int64_t(defaultValue));
  return p;
}

TProperty StringProperty(const std::string& name, std::string& member,
                         const std::string& defaultValue) {
  TProperty p;
  p.Name = name;
  p.Kind = pkString;
  p.Get = [&member]() -> TPropertyValue { return member; };
  p.Set = [&member](const TPropertyValue& v) { member = std::get<std::string>(v); };
  p.Default = TPropertyValue(defaultValue);
  return p;
}

TProperty EnumProperty(const std::string& name, uint8_t& member,
                       const std::vector<std::string>& names, uint8_t defaultValue) {
  TProperty p;
  p.Name = name;
  p.Kind = pkEnum;
  p.EnumNames = &names;
  p.Get = [&member]() -> TPropertyValue { return int64_t(member); };
  p.Set = [&member](const TPropertyValue& v) { member = uint8_t(std::get<int64_t>(v)); };
  p.Default = TPropertyValue(int64_t(defaultValue));
  return p;
}

TProperty HandlerProperty(const std::string& name, std::string& member) {
  const std::vector<std::string>& names = FormHandlerNames();
  TProperty p;
  p.Name = name;
  p.Kind = pkEnum;
  p.EnumNames = &names;
  p.Get = [&member, &names]() -> TPropertyValue {
    auto it = std::find(names.begin(), names.end(), member);
    return int64_t(it == names.end() ? 0 : it - names.begin());
  };
  p.Set = [&member, &names](const TPropertyValue& v) {
    member = names[size_t(std::get<int64_t>(v))];
  };
  p.Default = TPropertyValue(int64_t(0));
  return p;
}

void THostControl::Properties(std::vector<TProperty>& props) {
  TControl::Properties(props);
  props.push_back(IntegerProperty("Left", left_, 0));
  props.push_back(IntegerProperty("Top", top_, 0));
  props.push_back(IntegerProperty("Width", width_, 0));
  props.push_back(IntegerProperty("Height", height_, 0));
  props.push_back(EnumProperty("Align", align_, AlignNames(), defaultAlign_));
}

void TListBox::Properties(std::vector<TProperty>& props) {
  THostControl::Properties(props);
  props.push_back(IntegerProperty("ItemHeight", itemHeight_, 0));
}

void TButton::Properties(std::vector<TProperty>& props) {
  THostControl::Properties(props);
  props.push_back(StringProperty("Caption", caption_, std::string()));
  props.push_back(HandlerProperty("OnClick", onClick_));
}

void TFont::Properties(std::vector<TProperty>& props) {
  TPersistent::Properties(props);
  props.push_back(IntegerProperty("Height", height_, 0));
}
