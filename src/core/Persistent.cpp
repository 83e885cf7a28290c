#include "core/Persistent.h"

#include "core/Exceptions.h"
#include "core/Format.h"
#include "core/IEConsts.h"

void TPersistent::Assign(const TPersistent* source) {
  if (source) {
    source->AssignTo(*this);
    return;
  }
  throw EConvertError(Format(SAssignError, {"nil", ClassName()}));
}

void TPersistent::AssignTo(TPersistent& dest) const {
  throw EConvertError(Format(SAssignError, {ClassName(), dest.ClassName()}));
}

void TPersistent::Properties(std::vector<TProperty>&) {}

std::optional<TProperty> FindProperty(TPersistent& object, const std::string& name) {
  std::vector<TProperty> props;
  object.Properties(props);
  for (auto& p : props)
    if (p.Name == name) return std::move(p);
  return std::nullopt;
}
