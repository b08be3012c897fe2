#pragma once

#include "cli/context.h"

namespace fenban::cli {

// fenban-cli roster ID FILE.pdf|FILE.xlsx [--sort number|name] [--columns 学号,姓名,...]
int rosterCommand(Context &context);

} // namespace fenban::cli
