#pragma once

#include "gui/file_dialog.h"
#include "gui/main_window.h"
#include "gui/message_box.h"
#include "gui/window_memory.h"
#include "store/database.h"

#include <QTemporaryDir>

#include <memory>

namespace fenban::testing {

// A shown main window on a database file of its own. Message boxes and file dialogs are scripted,
// so nothing waits for a person.
class WindowFixture {
public:
    // Empty when all is well, otherwise what went wrong.
    QString open() {
        gui::MessageBox::setScripted(true);
        gui::FileDialog::setScripted(true);
        // Window places kept by an earlier test would change what this one sees.
        gui::userSettings().clear();
        m_dir = std::make_unique<QTemporaryDir>();
        auto opened = store::Database::open(filePath(QStringLiteral("qx.db")));
        if (!opened)
            return opened.error();
        m_database = std::move(opened.value());
        m_window = std::make_unique<gui::MainWindow>(m_database->connection());
        m_window->show();
        return {};
    }

    void close() {
        m_window.reset();
        m_database.reset();
        m_dir.reset();
    }

    gui::MainWindow *window() const { return m_window.get(); }
    QSqlDatabase connection() const { return m_database->connection(); }
    QString filePath(const QString &name) const { return m_dir->filePath(name); }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<store::Database> m_database;
    std::unique_ptr<gui::MainWindow> m_window;
};

// The texts of the message boxes shown since the last call.
inline QStringList shownMessages() {
    QStringList texts;
    for (const gui::MessageBox::Shown &shown : gui::MessageBox::takeShown())
        texts.append(shown.text);
    return texts;
}

} // namespace fenban::testing
