#include "gui/console_window.h"

#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace fenban::gui {

// A separate top-level window, owned by the main window so that it lives exactly as long as the
// program's windows do.
ConsoleWindow::ConsoleWindow(QWidget *owner) : QWidget(owner, Qt::Window) {
    setObjectName(QStringLiteral("frmShow"));
    setWindowTitle(QStringLiteral("显示台"));
    setFixedSize(603, 402);

    memoMsg = new QPlainTextEdit(this);
    memoMsg->setObjectName(QStringLiteral("memoMsg"));
    memoMsg->setReadOnly(true);
    memoMsg->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memoMsg->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memoMsg->setLineWrapMode(QPlainTextEdit::NoWrap);
    memoMsg->setStyleSheet(QStringLiteral("QPlainTextEdit { background: black; color: white; }"));
    QFont font;
    font.setFamilies({QStringLiteral("宋体"), QStringLiteral("SimSun"), QStringLiteral("Noto Serif CJK SC"),
                      QStringLiteral("Noto Sans CJK SC")});
    font.setPixelSize(19);
    memoMsg->setFont(font);
    memoMsg->appendPlainText(QStringLiteral("信息显示................"));

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(1, 1, 1, 8);
    layout->addWidget(memoMsg);
}

void ConsoleWindow::showMsg(const QString &text) {
    memoMsg->appendPlainText(text);
}

QStringList ConsoleWindow::lines() const {
    return memoMsg->toPlainText().split(QLatin1Char('\n'));
}

} // namespace fenban::gui
