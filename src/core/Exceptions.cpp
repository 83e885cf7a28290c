#include "core/Exceptions.h"

#include "core/IEConsts.h"

EAbort::EAbort() : Exception(SOperationAborted) {}
