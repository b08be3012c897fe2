#pragma once

#include "cli/context.h"

namespace fenban::cli {

// fenban-cli apart ID STUDENT...
int apartCommand(Context &context);
// fenban-cli together ID STUDENT...
int togetherCommand(Context &context);
// fenban-cli rules ID [--remove N]
int rulesCommand(Context &context);

} // namespace fenban::cli
