#include "app/diagnostics.h"
#include "cli/cli.h"
#include "cli/console.h"

#include <QCoreApplication>
#include <QGuiApplication>

#include <cstdio>
#include <memory>

namespace {

// Only a command that paints pays for a GUI application; without a screen it paints offscreen. The
// command's name is all that is looked for in the narrow arguments, which on Windows cannot carry
// every path; what the commands read comes from QCoreApplication::arguments().
std::unique_ptr<QCoreApplication> makeApplication(int &argc, char *argv[]) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    if (!fenban::cli::needsFonts(arguments))
        return std::make_unique<QCoreApplication>(argc, argv);
#ifndef _WIN32
    // Windows always has its desktop to paint with; elsewhere there may be no display at all.
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
        !qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
#endif
    return std::make_unique<QGuiApplication>(argc, argv);
}

} // namespace

int main(int argc, char *argv[]) {
    // Before anything can speak: Qt's and the libraries' own lines go to the log, and the teacher's
    // standard error carries the program's messages only.
    fenban::app::installMessageLog(fenban::app::defaultLogFolder());
    std::FILE *const ownError = fenban::app::divertStandardError();
    const fenban::cli::ConsoleEncoding console;
    const std::unique_ptr<QCoreApplication> app = makeApplication(argc, argv);
    QTextStream out(stdout);
    QTextStream err(ownError);
    return fenban::cli::run(app->arguments().mid(1), out, err);
}
