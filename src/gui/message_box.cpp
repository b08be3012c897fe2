#include "gui/message_box.h"

#include <QMessageBox>
#include <QQueue>

namespace fenban::gui {

namespace {

struct Script {
    bool active = false;
    QQueue<bool> answers;
    QList<MessageBox::Shown> shown;
};

Script &script() {
    static Script instance;
    return instance;
}

const QString productTitle = QStringLiteral("新生分班");
const QString errorTitle = QStringLiteral("错误");

} // namespace

void MessageBox::information(QWidget *parent, const QString &text) {
    if (script().active) {
        script().shown.append({productTitle, text});
        return;
    }
    QMessageBox::information(parent, productTitle, text);
}

void MessageBox::error(QWidget *parent, const QString &text) {
    if (script().active) {
        script().shown.append({errorTitle, text});
        return;
    }
    QMessageBox::critical(parent, errorTitle, text);
}

bool MessageBox::confirm(QWidget *parent, const QString &text, const QString &title) {
    const QString shownTitle = title.isEmpty() ? productTitle : title;
    if (script().active) {
        script().shown.append({shownTitle, text});
        return script().answers.isEmpty() || script().answers.dequeue();
    }
    return QMessageBox::question(parent, shownTitle, text, QMessageBox::Ok | QMessageBox::Cancel,
                                 QMessageBox::Cancel) == QMessageBox::Ok;
}

void MessageBox::setScripted(bool scripted) {
    script() = Script{};
    script().active = scripted;
}

void MessageBox::queueAnswer(bool ok) {
    script().answers.enqueue(ok);
}

QList<MessageBox::Shown> MessageBox::takeShown() {
    return std::exchange(script().shown, {});
}

} // namespace fenban::gui
