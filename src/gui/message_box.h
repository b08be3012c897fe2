#pragma once

#include <QList>
#include <QString>

class QWidget;

namespace fenban::gui {

// Every message box of the program goes through here, so that window tests can answer the questions
// instead of a person and read what would have been shown.
class MessageBox {
public:
    static void information(QWidget *parent, const QString &text);
    static void error(QWidget *parent, const QString &text);
    // OK/Cancel question; true when the answer is OK.
    static bool confirm(QWidget *parent, const QString &text, const QString &title = {});
    // Yes/No question (是/否); true when the answer is yes.
    static bool question(QWidget *parent, const QString &text);
    // A message with 确定 and one more button; true when that button was chosen. Scripted, it takes
    // its answer from the same queue, but an empty queue means 确定: the extra step is never assumed.
    static bool offer(QWidget *parent, const QString &text, const QString &buttonText);

    // For tests: show nothing, record every message, and answer questions from a queue (OK when empty).
    struct Shown {
        QString title;
        QString text;
    };
    static void setScripted(bool scripted);
    static void queueAnswer(bool ok);
    static QList<Shown> takeShown();
};

} // namespace fenban::gui
