#include "gui/database_opening.h"

#include "store/location.h"

#include <QInputDialog>
#include <QLineEdit>

namespace fenban::gui {

namespace {

using Opened = store::Result<std::unique_ptr<store::Database>>;

Opened openWithStore(const QString &location) {
    return store::Database::open(location);
}

std::optional<QString> askForPassword(QWidget *parent, const QString &label) {
    bool given = false;
    const QString password =
        QInputDialog::getText(parent, QStringLiteral("数据库密码"), label, QLineEdit::Password, {}, &given);
    if (!given)
        return std::nullopt;
    return password;
}

DatabaseOpening::Opener &opener() {
    static DatabaseOpening::Opener instance = &openWithStore;
    return instance;
}

DatabaseOpening::PasswordPrompt &prompt() {
    static DatabaseOpening::PasswordPrompt instance = &askForPassword;
    return instance;
}

// The account the password is for, as the teacher knows it.
QString account(const QString &location) {
    const auto parsed = store::parseDatabaseLocation(location);
    if (!parsed)
        return store::shownLocation(location);
    if (parsed->user.isEmpty())
        return parsed->host;
    return QStringLiteral("%1@%2").arg(parsed->user, parsed->host);
}

} // namespace

Opened DatabaseOpening::open(QWidget *parent, const QString &location) {
    const QString address = location.trimmed();
    QString refusal;
    for (int asked = 0;; ++asked) {
        Opened opened = opener()(address);
        if (opened)
            return opened;
        const bool wantsPassword = opened.error() == store::passwordRequiredMessage() ||
                                   opened.error() == store::wrongPasswordMessage();
        if (!wantsPassword || asked == passwordAttempts) {
            // A password that did not let the teacher in is not kept for later connections.
            if (asked > 0)
                store::setSessionPassword(address, {});
            return opened;
        }
        // After a wrong password the prompt says so rather than a box of its own before it.
        QString label = QStringLiteral("%1 的密码:").arg(account(address));
        if (asked > 0)
            label = opened.error() + QLatin1Char('\n') + label;
        const std::optional<QString> password = prompt()(parent, label);
        if (!password || password->isEmpty()) {
            store::setSessionPassword(address, {});
            return Opened::failure(store::passwordRequiredMessage());
        }
        store::setSessionPassword(address, *password);
    }
}

void DatabaseOpening::setOpener(Opener replacement) {
    opener() = replacement ? replacement : &openWithStore;
}

void DatabaseOpening::setPasswordPrompt(PasswordPrompt replacement) {
    prompt() = replacement ? replacement : &askForPassword;
}

} // namespace fenban::gui
