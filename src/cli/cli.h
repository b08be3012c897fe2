#pragma once

#include <QStringList>
#include <QTextStream>

namespace fenban::cli {

// Interrupted is what a shell reports for a program ended by Ctrl+C (128 + SIGINT).
enum ExitCode { Success = 0, Failure = 1, UsageError = 2, Interrupted = 130 };

// Whether the command paints text (a PDF roster) and so needs a QGuiApplication for its fonts.
bool needsFonts(const QStringList &arguments);

// Runs one command line (without the program name); output and errors go to the two streams.
int run(const QStringList &arguments, QTextStream &out, QTextStream &err);

} // namespace fenban::cli
