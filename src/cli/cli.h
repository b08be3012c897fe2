#pragma once

#include <QStringList>
#include <QTextStream>

namespace fenban::cli {

enum ExitCode { Success = 0, Failure = 1, UsageError = 2 };

// Runs one command line (without the program name); output and errors go to the two streams.
int run(const QStringList &arguments, QTextStream &out, QTextStream &err);

} // namespace fenban::cli
