#include "gui/translations.h"

#include <QApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

// Outside any namespace, as Qt's resource macro requires.
static void initIconResource() {
    // The icon is compiled into this static library; nothing else would pull its object file in.
    Q_INIT_RESOURCE(fenban);
}

namespace fenban::gui {

bool installQtTranslations(QCoreApplication &app) {
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    const QLocale chinese(QLocale::Chinese, QLocale::China);
    // qtbase holds the texts of the widgets we use; the older catalogue "qt" pulls it in where the
    // split one is missing.
    for (const QString &catalogue : {QStringLiteral("qtbase"), QStringLiteral("qt")}) {
        auto *translator = new QTranslator(&app);
        if (translator->load(chinese, catalogue, QStringLiteral("_"), folder) &&
            QCoreApplication::installTranslator(translator))
            return true;
        delete translator;
    }
    return false;
}

void installApplicationIcon() {
    initIconResource();
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/fenban.svg")));
}

} // namespace fenban::gui
