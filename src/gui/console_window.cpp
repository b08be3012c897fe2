#include "gui/console_window.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QVBoxLayout>

namespace fenban::gui {

// A separate top-level window, owned by the main window so that it lives exactly as long as the
// program's windows do.
ConsoleWindow::ConsoleWindow(QWidget *owner) : QWidget(owner, Qt::Window) {
    setObjectName(QStringLiteral("frmShow"));
    setWindowTitle(QStringLiteral("显示台"));
    constexpr int statusHeight = 26;
    // Taller by the status line, so the messages keep the room they always had.
    setFixedSize(603, 402 + statusHeight);

    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("lblStatus"));
    m_status->setFixedHeight(statusHeight);
    m_status->setStyleSheet(
        QStringLiteral("QLabel { background: black; color: yellow; padding-left: 4px; }"));

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
    m_status->setFont(font);
    m_text->appendPlainText(QStringLiteral("信息显示................"));

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(1, 1, 1, 8);
    layout->setSpacing(0);
    layout->addWidget(m_status);
    layout->addWidget(m_text);
}

void ConsoleWindow::appendLine(const QString &text) {
    m_text->appendPlainText(text);
    // The newest line is the one that matters, even when the teacher had scrolled up to read.
    scrollToNewest();
}

void ConsoleWindow::setStatus(const QString &text) {
    m_status->setText(text);
}

QString ConsoleWindow::status() const {
    return m_status->text();
}

void ConsoleWindow::scrollToNewest() {
    QScrollBar *bar = m_text->verticalScrollBar();
    bar->setValue(bar->maximum());
}

// Lines written while the console was hidden left the scroll bar where it was.
void ConsoleWindow::showEvent(QShowEvent *event) {
    QWidget::showEvent(event);
    scrollToNewest();
}

QStringList ConsoleWindow::lines() const {
    return m_text->toPlainText().split(QLatin1Char('\n'));
}

} // namespace fenban::gui
