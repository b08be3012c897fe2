#pragma once

#include "cli/context.h"

namespace fenban::cli {

int divideCommand(Context &context);
int redivideCommand(Context &context);

} // namespace fenban::cli
