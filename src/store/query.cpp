#include "store/query.h"

#include "store/dialect.h"

namespace fenban::store {

int sqliteCode(const QSqlError &error) {
    bool isNumber = false;
    const QString native = error.nativeErrorCode();
    if (native.size() == 5) // a server's SQLSTATE, which can look like a number
        return 0;
    const int code = native.toInt(&isNumber);
    // Extended codes carry the primary code in their low byte.
    return isNumber ? code & 0xFF : 0;
}

QString describeError(const QSqlError &error) {
    QString cause = describeServerError(error);
    switch (cause.isEmpty() ? sqliteCode(error) : 0) {
    case sqliteBusy:
        cause = QStringLiteral("数据库正被其他程序修改，请稍后再试");
        break;
    case sqliteLocked:
        cause = QStringLiteral("数据库正被其他程序使用");
        break;
    case sqliteReadOnly:
        cause = QStringLiteral("数据库文件只读，无法写入");
        break;
    case sqliteFull:
        cause = QStringLiteral("磁盘已满，正在进行的修改没有保存");
        break;
    case sqliteCorrupt:
    case sqliteNotADatabase:
        cause = QStringLiteral("数据库文件已损坏");
        break;
    default:
        break;
    }
    QString own = error.text().trimmed();
    // libpq explains a dropped connection over several indented lines; the first says what happened.
    if (isConnectionLost(error))
        own = own.section(QLatin1Char('\n'), 0, 0).simplified();
    if (cause.isEmpty())
        return own;
    return own.isEmpty() ? cause : cause + QStringLiteral(" (") + own + QLatin1Char(')');
}

Result<bool> nextRow(QSqlQuery &query) {
    if (query.next())
        return Result<bool>::success(true);
    if (query.lastError().isValid())
        return Result<bool>::failure(describeError(query.lastError()));
    return Result<bool>::success(false);
}

Status forEachRow(QSqlQuery &query, const std::function<void(const QSqlQuery &)> &take) {
    for (;;) {
        const Result<bool> step = nextRow(query);
        if (!step)
            return Status::failure(step.error());
        if (!step.value())
            return Status::success();
        take(query);
    }
}

} // namespace fenban::store
