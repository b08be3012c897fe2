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

    m_text = new QPlainTextEdit(this);
    m_text->setObjectName(QStringLiteral("memoMsg"));
    m_text->setReadOnly(true);
    m_text->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_text->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_text->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_text->setStyleSheet(QStringLiteral("QPlainTextEdit { background: black; color: white; }"));
    QFont font;
    font.setFamilies({QStringLiteral("宋体"), QStringLiteral("SimSun"), QStringLiteral("Noto Serif CJK SC"),
                      QStringLiteral("Noto Sans CJK SC")});
    font.setPixelSize(19);
    m_text->setFont(font);
    m_text->appendPlainText(QStringLiteral("信息显示................"));

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(1, 1, 1, 8);
    layout->addWidget(m_text);
}

void ConsoleWindow::appendLine(const QString &text) {
    m_text->appendPlainText(text);
}

QStringList ConsoleWindow::lines() const {
    return m_text->toPlainText().split(QLatin1Char('\n'));
}

} // namespace fenban::gui
