#include "store/location.h"

#include <QDir>
#include <QHash>
#include <QMutex>
#include <QUrl>
#include <QUrlQuery>

namespace fenban::store {

namespace {

// libpq keywords an address may carry; anything else is more likely a typing error than a wish.
const QStringList &knownKeywords() {
    static const QStringList keywords{
        QStringLiteral("sslmode"),         QStringLiteral("sslrootcert"),
        QStringLiteral("sslcert"),         QStringLiteral("sslkey"),
        QStringLiteral("connect_timeout"), QStringLiteral("application_name"),
        QStringLiteral("options"),         QStringLiteral("target_session_attrs"),
        QStringLiteral("keepalives"),      QStringLiteral("keepalives_idle"),
        QStringLiteral("service"),
    };
    return keywords;
}

struct PasswordBook {
    QMutex mutex;
    QHash<QString, QString> passwords;
};

PasswordBook &passwordBook() {
    static PasswordBook book;
    return book;
}

} // namespace

bool isServerAddress(const QString &text) {
    const QString trimmed = text.trimmed();
    return trimmed.startsWith(QStringLiteral("postgresql://"), Qt::CaseInsensitive) ||
           trimmed.startsWith(QStringLiteral("postgres://"), Qt::CaseInsensitive);
}

QString DatabaseLocation::display() const {
    // A teacher on Windows knows C:\Users\..., not C:/Users/...
    if (backend == Backend::SQLite)
        return QDir::toNativeSeparators(path);
    QUrl url;
    url.setScheme(QStringLiteral("postgresql"));
    url.setUserName(user);
    url.setHost(host);
    if (port != 5432)
        url.setPort(port);
    url.setPath(QLatin1Char('/') + databaseName);
    if (!options.isEmpty()) {
        QUrlQuery query;
        for (const QString &option : options) {
            const qsizetype equals = option.indexOf(QLatin1Char('='));
            query.addQueryItem(option.left(equals), option.mid(equals + 1));
        }
        url.setQuery(query);
    }
    return url.toString();
}

Result<DatabaseLocation> parseDatabaseLocation(const QString &text) {
    using R = Result<DatabaseLocation>;
    const QString trimmed = text.trimmed();
    DatabaseLocation location;
    if (!isServerAddress(trimmed)) {
        if (trimmed.isEmpty())
            return R::failure(QStringLiteral("没有指定数据库"));
        location.path = text;
        return R::success(location);
    }
    location.backend = Backend::PostgreSQL;
    const QUrl url(trimmed, QUrl::StrictMode);
    const QString shown = QStringLiteral("数据库地址不正确: ");
    if (!url.isValid())
        return R::failure(shown + url.errorString());
    if (!url.password().isEmpty())
        return R::failure(
            QStringLiteral("数据库地址中不能写密码，请用 PGPASSWORD、~/.pgpass 或在窗口中输入"));
    location.host = url.host();
    if (location.host.isEmpty())
        return R::failure(shown + QStringLiteral("缺少服务器名"));
    location.port = url.port(5432);
    if (location.port < 1 || location.port > 65535)
        return R::failure(shown + QStringLiteral("端口 %1 不正确").arg(location.port));
    location.user = url.userName();
    location.databaseName = url.path().mid(1);
    if (location.databaseName.isEmpty() || location.databaseName.contains(QLatin1Char('/')))
        return R::failure(shown + QStringLiteral("缺少数据库名"));
    const QUrlQuery query(url);
    for (const auto &[keyword, value] : query.queryItems(QUrl::FullyDecoded)) {
        if (!knownKeywords().contains(keyword))
            return R::failure(shown + QStringLiteral("不认识的参数 %1").arg(keyword));
        location.options.append(keyword + QLatin1Char('=') + value);
    }
    return R::success(location);
}

QString shownLocation(const QString &text) {
    if (!isServerAddress(text))
        return QDir::toNativeSeparators(text);
    if (const Result<DatabaseLocation> parsed = parseDatabaseLocation(text))
        return parsed->display();
    QUrl url(text.trimmed());
    if (!url.isValid())
        return QStringLiteral("postgresql://…");
    return url.toString(QUrl::RemovePassword);
}

QString openFailureText(const QString &location, const QString &why) {
    const QString format = isServerAddress(location) ? QStringLiteral("无法打开数据库 %1: %2")
                                                     : QStringLiteral("无法打开数据库文件 %1: %2");
    return format.arg(shownLocation(location), why);
}

void setSessionPassword(const QString &location, const QString &password) {
    PasswordBook &book = passwordBook();
    const QMutexLocker lock(&book.mutex);
    if (password.isEmpty())
        book.passwords.remove(location.trimmed());
    else
        book.passwords.insert(location.trimmed(), password);
}

QString sessionPassword(const QString &location) {
    PasswordBook &book = passwordBook();
    const QMutexLocker lock(&book.mutex);
    return book.passwords.value(location.trimmed());
}

} // namespace fenban::store
