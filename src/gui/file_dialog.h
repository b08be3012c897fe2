#pragma once

#include <QString>
#include <QStringList>

class QWidget;

namespace fenban::gui {

// File dialogs and handing files to the desktop, in one place so that window tests can answer the
// dialogs and see what would have been opened.
class FileDialog {
public:
    // Empty when the user cancels.
    static QString openFileName(QWidget *parent, const QString &caption, const QString &filter);
    static QString saveFileName(QWidget *parent, const QString &caption, const QString &suggestedName,
                                const QString &filter);
    // The database the program works on: its file and SQLite's files beside it are not listed in
    // the dialogs.
    static void protectDatabase(const QString &databasePath);
    // Opens a document (or a folder) with the program the desktop has registered for it; says so
    // when there is none.
    static void openWithDesktop(QWidget *parent, const QString &path);
    // After an export: names the file written and offers to open the folder it lies in.
    static void announceExport(QWidget *parent, const QString &path);

    // For tests: dialogs take their answers from a queue (empty answer when it runs dry) and nothing
    // is handed to the desktop; the paths that would have been are recorded.
    static void setScripted(bool scripted);
    static void queueFileName(const QString &path);
    static QStringList takeOpened();
    // For tests: the desktop has no program for what is handed to it.
    static void setNothingOpens(bool nothingOpens);
};

} // namespace fenban::gui
