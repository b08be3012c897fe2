#pragma once

#include "cli/context.h"

namespace fenban::cli {

int newProjectCommand(Context &context);
int projectsCommand(Context &context);
int deleteCommand(Context &context);
int settingsCommand(Context &context);
// The options settingsCommand understands, one per setting.
OptionSpec settingsOptions();

} // namespace fenban::cli
