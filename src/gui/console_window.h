#pragma once

#include <QWidget>

class QLabel;
class QPlainTextEdit;

namespace fenban::gui {

// The message console: a black window to which a division writes its progress lines. There is one
// for the whole program; closing it only hides it, and its lines stay.
class ConsoleWindow : public QWidget {
    Q_OBJECT

public:
    explicit ConsoleWindow(QWidget *owner);

    void appendLine(const QString &text);
    QStringList lines() const;
    // The line above the messages that tells where a run stands, e.g. "女生微调 第12/51次".
    void setStatus(const QString &text);
    QString status() const;
    void scrollToNewest();

protected:
    void showEvent(QShowEvent *event) override;

private:
    QLabel *m_status = nullptr;
    QPlainTextEdit *m_text = nullptr;
};

} // namespace fenban::gui
