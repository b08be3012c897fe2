#pragma once

#include "cli/context.h"

namespace fenban::cli {

// fenban-cli stats ID [FILE.xlsx]
int statsCommand(Context &context);
// fenban-cli balance ID [--classes]
int balanceCommand(Context &context);
// fenban-cli students ID [--no N] [--name TEXT] [--sex 男|女] [--class N] [--math LO HI] ...
int studentsCommand(Context &context);
// fenban-cli copy-from SRC DST [--overwrite]
int copyFromCommand(Context &context);

} // namespace fenban::cli
