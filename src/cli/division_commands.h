#pragma once

#include "cli/context.h"

namespace fenban::cli {

int divideCommand(Context &context);
int redivideCommand(Context &context);
// fenban-cli optimise ID [--seconds S] [--seed N]: evens out the classes and prints the balance
// figures before and after.
int optimiseCommand(Context &context);

} // namespace fenban::cli
