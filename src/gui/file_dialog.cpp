#include "gui/file_dialog.h"

#include "gui/message_box.h"
#include "gui/window_memory.h"
#include "store/location.h"

#include <QAbstractFileIconProvider>
#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QQueue>
#include <QSortFilterProxyModel>
#include <QStandardPaths>
#include <QStyle>
#include <QUrl>

namespace fenban::gui {

namespace {

struct Script {
    bool active = false;
    QQueue<QString> fileNames;
    QStringList opened;
    bool nothingOpens = false;
};

Script &script() {
    static Script instance;
    return instance;
}

QString scriptedFileName() {
    return script().fileNames.isEmpty() ? QString() : script().fileNames.dequeue();
}

// The database file and the files SQLite keeps beside it.
QStringList &databaseFiles() {
    static QStringList files;
    return files;
}

const QString lastFolderKey = QStringLiteral("dialogs/lastFolder");

// Each dialog (by its caption) starts where it was last used; one never used starts where any
// dialog was last used.
QString dialogFolderKey(const QString &caption) {
    return QStringLiteral("dialogs/%1/lastFolder").arg(caption);
}

// Answers by the kind of entry alone. The stock providers open each file to guess its type from its
// first bytes, and on POSIX closing any descriptor of a file drops every lock the process holds on
// it: shown the database's folder, they would silently take SQLite's locks away. The icons are made
// here, on the window's thread, because the dialog asks from a thread of its own.
class KindOnlyIconProvider : public QAbstractFileIconProvider {
public:
    KindOnlyIconProvider()
        : m_folder(QApplication::style()->standardIcon(QStyle::SP_DirIcon)),
          m_file(QApplication::style()->standardIcon(QStyle::SP_FileIcon)),
          m_drive(QApplication::style()->standardIcon(QStyle::SP_DriveHDIcon)) {
        setOptions(DontUseCustomDirectoryIcons);
    }

    QIcon icon(IconType type) const override {
        switch (type) {
        case Computer:
        case Drive:
        case Network:
            return m_drive;
        case Desktop:
        case Trashcan:
        case Folder:
            return m_folder;
        case File:
            break;
        }
        return m_file;
    }

    QIcon icon(const QFileInfo &info) const override {
        if (info.isRoot())
            return m_drive;
        return info.isDir() ? m_folder : m_file;
    }

    QString type(const QFileInfo &info) const override {
        if (info.isRoot())
            return QStringLiteral("驱动器");
        if (info.isDir())
            return QStringLiteral("文件夹");
        const QString suffix = info.suffix();
        return suffix.isEmpty() ? QStringLiteral("文件") : suffix.toUpper() + QStringLiteral(" 文件");
    }

private:
    QIcon m_folder;
    QIcon m_file;
    QIcon m_drive;
};

// Leaves the database's own files out of the list, so that nobody picks one to import or to
// overwrite with an export.
class HideDatabaseFiles : public QSortFilterProxyModel {
public:
    using QSortFilterProxyModel::QSortFilterProxyModel;

protected:
    bool filterAcceptsRow(int row, const QModelIndex &parent) const override {
        const auto *files = qobject_cast<const QFileSystemModel *>(sourceModel());
        if (!files)
            return true;
        const QString path = files->filePath(files->index(row, 0, parent));
        return !databaseFiles().contains(QFileInfo(path).absoluteFilePath());
    }
};

// Where a dialog starts: the folder of the last file chosen, else the documents folder; never
// the working folder, which is where the database often lies.
QString startFolder(const QString &caption) {
    for (const QString &key : {dialogFolderKey(caption), lastFolderKey}) {
        const QString last = userSettings().value(key).toString();
        if (!last.isEmpty() && QFileInfo(last).isDir())
            return last;
    }
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!documents.isEmpty() && QFileInfo(documents).isDir())
        return documents;
    return QDir::homePath();
}

QString runDialog(QWidget *parent, const QString &caption, const QString &suggestedName,
                  const QString &filter, QFileDialog::AcceptMode mode) {
    // Declared first so that it outlives the dialog and the thread that reads the folder for it.
    KindOnlyIconProvider icons;
    QFileDialog dialog(parent, caption, startFolder(caption), filter);
    dialog.setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::DontUseCustomDirectoryIcons);
    dialog.setIconProvider(&icons);
    dialog.setProxyModel(new HideDatabaseFiles(&dialog));
    dialog.setAcceptMode(mode);
    if (mode == QFileDialog::AcceptOpen) {
        dialog.setFileMode(QFileDialog::ExistingFile);
    } else {
        dialog.setFileMode(QFileDialog::AnyFile);
        if (!suggestedName.isEmpty())
            dialog.selectFile(suggestedName);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    const QString chosen = dialog.selectedFiles().constFirst();
    // Typed by hand, a name can still reach the database; an export would replace it.
    if (databaseFiles().contains(QFileInfo(chosen).absoluteFilePath())) {
        MessageBox::information(
            parent, QStringLiteral("不能选择分班数据库文件: %1").arg(QDir::toNativeSeparators(chosen)));
        return {};
    }
    const QString folder = QFileInfo(chosen).absolutePath();
    userSettings().setValue(dialogFolderKey(caption), folder);
    userSettings().setValue(lastFolderKey, folder);
    return chosen;
}

} // namespace

QString FileDialog::openFileName(QWidget *parent, const QString &caption, const QString &filter) {
    if (script().active)
        return scriptedFileName();
    return runDialog(parent, caption, {}, filter, QFileDialog::AcceptOpen);
}

QString FileDialog::saveFileName(QWidget *parent, const QString &caption, const QString &suggestedName,
                                 const QString &filter) {
    if (script().active)
        return scriptedFileName();
    return runDialog(parent, caption, suggestedName, filter, QFileDialog::AcceptSave);
}

void FileDialog::protectDatabase(const QString &databasePath) {
    // A database on a server has no file here to protect.
    if (store::isServerAddress(databasePath)) {
        databaseFiles().clear();
        return;
    }
    const QString path = QFileInfo(databasePath).absoluteFilePath();
    databaseFiles() = {path, path + QStringLiteral("-wal"), path + QStringLiteral("-shm"),
                       path + QStringLiteral("-journal")};
}

void FileDialog::openWithDesktop(QWidget *parent, const QString &path) {
    bool opened = false;
    if (script().active) {
        script().opened.append(path);
        opened = !script().nothingOpens;
    } else {
        opened = QDesktopServices::openUrl(QUrl::fromLocalFile(path));
    }
    if (!opened)
        MessageBox::information(
            parent, QStringLiteral("没有找到可以打开它的程序: %1").arg(QDir::toNativeSeparators(path)));
}

void FileDialog::setNothingOpens(bool nothingOpens) {
    script().nothingOpens = nothingOpens;
}

void FileDialog::announceExport(QWidget *parent, const QString &path) {
    const QFileInfo file(path);
    const QString text =
        QStringLiteral("已导出到文件：%1").arg(QDir::toNativeSeparators(file.absoluteFilePath()));
    if (MessageBox::offer(parent, text, QStringLiteral("打开所在文件夹")))
        openWithDesktop(parent, file.absolutePath());
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
