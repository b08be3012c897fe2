#pragma once

#include "cli/context.h"

namespace fenban::cli {

int importCommand(Context &context);
int exportCommand(Context &context);
int pinyinCommand(Context &context);

} // namespace fenban::cli
