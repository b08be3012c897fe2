#pragma once

#include "store/database.h"
#include "store/result.h"

#include <QString>

#include <memory>
#include <optional>

class QWidget;

namespace fenban::gui {

// Opening the database the windows work on, in one place, so that start-up and 切换数据库 ask for a
// server's password the same way and window tests can stand in for the server and for the teacher.
class DatabaseOpening {
public:
    // Opens the file or server address; when the server wants a password, asks for it (a wrong one is
    // said to be wrong and asked again, at most three times) and keeps it for this session only. The
    // error is the reason, ready for store::openFailureText; it never holds a password.
    static store::Result<std::unique_ptr<store::Database>> open(QWidget *parent, const QString &location);

    // How often a teacher is asked before the attempt is given up.
    static constexpr int passwordAttempts = 3;

    using Opener = store::Result<std::unique_ptr<store::Database>> (*)(const QString &location);
    // The prompt gets the text to show (naming user@host); no answer means the teacher cancelled.
    using PasswordPrompt = std::optional<QString> (*)(QWidget *parent, const QString &label);
    // For tests: another way to reach a database, another teacher answering; nullptr puts back the own.
    static void setOpener(Opener opener);
    static void setPasswordPrompt(PasswordPrompt prompt);
};

} // namespace fenban::gui
