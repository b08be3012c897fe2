#include "gui/message_box.h"

#include <QMessageBox>
#include <QPushButton>
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
    // A warning, not a critical stop: the teacher can correct what the box names and carry on.
    QMessageBox::warning(parent, errorTitle, text);
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

bool MessageBox::question(QWidget *parent, const QString &text) {
    if (script().active) {
        script().shown.append({productTitle, text});
        return script().answers.isEmpty() || script().answers.dequeue();
    }
    QMessageBox box(QMessageBox::Question, productTitle, text, QMessageBox::Yes | QMessageBox::No, parent);
    box.button(QMessageBox::Yes)->setText(QStringLiteral("是"));
    box.button(QMessageBox::No)->setText(QStringLiteral("否"));
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

bool MessageBox::offer(QWidget *parent, const QString &text, const QString &buttonText) {
    if (script().active) {
        script().shown.append({productTitle, text});
        return !script().answers.isEmpty() && script().answers.dequeue();
    }
    QMessageBox box(QMessageBox::Information, productTitle, text, QMessageBox::Ok, parent);
    box.button(QMessageBox::Ok)->setText(QStringLiteral("确定"));
    QPushButton *extra = box.addButton(buttonText, QMessageBox::ActionRole);
    box.setDefaultButton(QMessageBox::Ok);
    box.exec();
    return box.clickedButton() == extra;
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
