#pragma once

#include "cli/context.h"

namespace fenban::cli {

// fenban-cli history ID: the project's snapshots, newest first.
int historyCommand(Context &context);
// fenban-cli restore ID SNAPSHOT
int restoreCommand(Context &context);
// fenban-cli diff ID SNAPSHOT [SNAPSHOT]: the students moved between two snapshots, or since one.
int diffCommand(Context &context);
// fenban-cli move ID STUDENT CLASS [--keep-unfixed]
int moveCommand(Context &context);
// fenban-cli swap ID STUDENT STUDENT
int swapCommand(Context &context);

} // namespace fenban::cli
