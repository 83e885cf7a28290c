#include "functions/IReasoner.h"

#include "core/Exceptions.h"
#include "core/Format.h"
#include "core/IEConsts.h"

void IReasoner::SaveToFile(const std::string&) {
  throw EIEException(Format(SFunctionUnimplemented, {SSaveName}));
}
