#pragma once

#include "cli/context.h"

namespace fenban::cli {

int newProjectCommand(Context &context);
int projectsCommand(Context &context);
int deleteCommand(Context &context);
int settingsCommand(Context &context);

} // namespace fenban::cli
