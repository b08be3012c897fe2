#pragma once

#include "common/result.h"

namespace fenban::store {

// The store's callers name the common outcome types through the store.
using fenban::Result;
using fenban::Status;

} // namespace fenban::store
