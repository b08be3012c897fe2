#pragma once

#include "cli/context.h"

namespace fenban::cli {

// fenban-cli copy-db FROM TO
int copyDatabaseCommand(Context &context);

} // namespace fenban::cli
