#include "gui/main_window.h"
#include "gui/message_box.h"
#include "gui/translations.h"
#include "gui/window_memory.h"
#include "store/database.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QScreen>

int main(int argc, char *argv[]) {
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

    const QString path = fenban::store::resolveDatabasePath(parser.value(databaseOption));
    auto database = fenban::store::Database::open(path);
    if (!database) {
        fenban::gui::MessageBox::error(nullptr, fenban::store::openFailureText(path, database.error()));
        return 1;
    }

    fenban::gui::MainWindow window(database.value()->connection());
    if (fenban::gui::restoreMainWindowGeometry(&window)) {
        window.show();
    } else {
        // Cover the whole screen even where no window manager maximises windows.
        window.setGeometry(window.screen()->availableGeometry());
        window.showMaximized();
    }
    return QApplication::exec();
}
