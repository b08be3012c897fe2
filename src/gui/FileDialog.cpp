#include "gui/FileDialog.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QQueue>
#include <QUrl>

namespace fenban::gui {

namespace {

struct Script {
    bool active = false;
    QQueue<QString> fileNames;
    QStringList opened;
};

Script &script() {
    static Script instance;
    return instance;
}

QString scriptedFileName() {
    return script().fileNames.isEmpty() ? QString() : script().fileNames.dequeue();
}

} // namespace

QString FileDialog::openFileName(QWidget *parent, const QString &caption, const QString &filter) {
    if (script().active)
        return scriptedFileName();
    return QFileDialog::getOpenFileName(parent, caption, QString(), filter);
}

QString FileDialog::saveFileName(QWidget *parent, const QString &caption, const QString &suggestedName,
                                 const QString &filter) {
    if (script().active)
        return scriptedFileName();
    return QFileDialog::getSaveFileName(parent, caption, suggestedName, filter);
}

void FileDialog::openWithDesktop(const QString &path) {
    if (script().active) {
        script().opened.append(path);
        return;
    }
    QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

void FileDialog::setScripted(bool scripted) {
    script() = Script{};
    script().active = scripted;
}

void FileDialog::queueFileName(const QString &path) {
    script().fileNames.enqueue(path);
}

QStringList FileDialog::takeOpened() {
    return std::exchange(script().opened, {});
}

} // namespace fenban::gui
