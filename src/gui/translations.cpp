#include "gui/translations.h"

#include <QApplication>
#include <QIcon>
#include <QIconEngine>
#include <QLibraryInfo>
#include <QLocale>
#include <QPainter>
#include <QTranslator>

#include <utility>

// Outside any namespace, as Qt's resource macro requires.
static void initIconResource() {
    // The icon is compiled into this static library; nothing else would pull its object file in.
    Q_INIT_RESOURCE(fenban);
}

namespace fenban::gui {

namespace {

// The PNGs are drawn by hand for their sizes and are there on every platform; Qt draws the SVG only
// with its SVG plugin, which a build may lack. So the PNGs serve the sizes they have and the SVG,
// where it can be drawn, every other.
class ProgramIconEngine final : public QIconEngine {
public:
    ProgramIconEngine(QIcon fixed, QIcon scalable)
        : m_fixed(std::move(fixed)), m_scalable(std::move(scalable)) {}

    void paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State state) override {
        chosen(rect.size()).paint(painter, rect, Qt::AlignCenter, mode, state);
    }
    QPixmap pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state) override {
        return chosen(size).pixmap(size, mode, state);
    }
    QSize actualSize(const QSize &size, QIcon::Mode mode, QIcon::State state) override {
        return chosen(size).actualSize(size, mode, state);
    }
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override {
        return m_fixed.availableSizes(mode, state);
    }
    QIconEngine *clone() const override { return new ProgramIconEngine(m_fixed, m_scalable); }
    QString key() const override { return QStringLiteral("fenban"); }

private:
    const QIcon &chosen(const QSize &size) const {
        return m_scalable.isNull() || m_fixed.availableSizes().contains(size) ? m_fixed : m_scalable;
    }

    QIcon m_fixed;
    QIcon m_scalable;
};

QIcon programIcon() {
    QIcon fixed;
    for (const int side : {16, 32, 48, 64, 128, 256})
        fixed.addFile(QStringLiteral(":/icons/fenban-%1.png").arg(side), QSize(side, side));
    // Without the SVG icon engine Qt may still read the SVG as one picture of a fixed size, which
    // would be no better than the PNGs: the SVG counts only where it draws at any size.
    QIcon scalable(QStringLiteral(":/icons/fenban.svg"));
    const QSize large(1024, 1024);
    if (scalable.actualSize(large) != large)
        scalable = QIcon();
    return QIcon(new ProgramIconEngine(fixed, scalable));
}

} // namespace

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
    QApplication::setWindowIcon(programIcon());
}

} // namespace fenban::gui
