#include "app/diagnostics.h"
#include "gui/choose_database_dialog.h"
#include "gui/database_opening.h"
#include "gui/main_window.h"
#include "gui/message_box.h"
#include "gui/translations.h"
#include "gui/window_memory.h"
#include "store/database.h"
#include "store/location.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QScreen>

int main(int argc, char *argv[]) {
    // Qt's and the libraries' own lines go to the log, never into a teacher's terminal or a box.
    fenban::app::installMessageLog(fenban::app::defaultLogFolder());
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("fenban"));
    QApplication::setApplicationVersion(QStringLiteral(FENBAN_VERSION));
    fenban::gui::installQtTranslations(app);
    fenban::gui::installApplicationIcon();

    QCommandLineParser parser;
    const QCommandLineOption databaseOption(QStringLiteral("db"), QStringLiteral("数据库文件"),
                                            QStringLiteral("PATH"));
    parser.addOption(databaseOption);
    parser.addHelpOption();
    parser.addVersionOption();
    parser.process(app);
    // Only now: a mistyped option above is still told on the terminal.
    fenban::app::divertStandardError();

    QString location = fenban::store::resolveDatabasePath(parser.value(databaseOption));
    auto database = fenban::gui::DatabaseOpening::open(nullptr, location);
    while (!database) {
        fenban::gui::MessageBox::error(nullptr, fenban::store::openFailureText(location, database.error()));
        // Another database (a recent one, say) rather than no program at all.
        fenban::gui::ChooseDatabaseDialog chooser(location);
        if (chooser.exec() != QDialog::Accepted)
            return 1;
        location = chooser.location();
        database = fenban::gui::DatabaseOpening::open(nullptr, location);
    }
    fenban::gui::rememberRecentDatabase(location);

    fenban::gui::MainWindow window(std::move(database.value()));
    if (fenban::gui::restoreMainWindowGeometry(&window)) {
        window.show();
    } else {
        // Cover the whole screen even where no window manager maximises windows.
        window.setGeometry(window.screen()->availableGeometry());
        window.showMaximized();
    }
    return QApplication::exec();
}
