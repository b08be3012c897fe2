#include "cli/report_commands.h"

#include "cli/cli.h"

namespace fenban::cli {

int studentsCommand(Context &context) {
    context.err << QStringLiteral("该功能尚未完成") << Qt::endl;
    return Failure;
}

} // namespace fenban::cli
