#pragma once

#include <QWidget>

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

private:
    QPlainTextEdit *m_text = nullptr;
};

} // namespace fenban::gui
