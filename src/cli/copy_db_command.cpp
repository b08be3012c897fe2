#include "cli/copy_db_command.h"

#include "cli/cli.h"
#include "cli/interrupt.h"
#include "common/device_names.h"
#include "store/database_copy.h"
#include "store/location.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace fenban::cli {

namespace {

std::unique_ptr<store::Database> open(Context &context, const QString &location,
                                      store::Database::Access access) {
    auto opened = store::Database::open(location, access);
    if (!opened) {
        context.err << store::openFailureText(location, opened.error()) << Qt::endl;
        return nullptr;
    }
    return std::move(opened.value());
}

// A file the failed copy created is taken away again, so that a failure leaves nothing behind.
void removeNewFile(const QString &path) {
    for (const QString &suffix : {QString(), QStringLiteral("-wal"), QStringLiteral("-shm")})
        QFile::remove(path + suffix);
}

} // namespace

int copyDatabaseCommand(Context &context) {
    const auto from = context.args.takePositional();
    const auto to = context.args.takePositional();
    if (context.usageFailed())
        return UsageError;
    if (!from || !to) {
        context.err << QStringLiteral("缺少源数据库和目标数据库") << Qt::endl;
        return UsageError;
    }
    // Opening a file creates it: a mistyped source must not pass for an empty database.
    // A device name is refused by opening, which names it as a device rather than a missing file.
    if (!store::isServerAddress(*from) && !isWindowsDeviceName(*from) && !QFileInfo::exists(*from)) {
        context.err << store::openFailureText(*from, QStringLiteral("文件不存在")) << Qt::endl;
        return Failure;
    }
    const bool newFile = !store::isServerAddress(*to) && !QFileInfo::exists(*to);
    // Opening a file makes its folder, as the program's own data folder is made on first use; a copy
    // aimed at a folder that is not there is a typing error, as it is for an export.
    if (const QString folder = QFileInfo(*to).path(); newFile && !QFileInfo(folder).isDir()) {
        context.err << store::openFailureText(*to, QStringLiteral("文件夹不存在: ") +
                                                       QDir::toNativeSeparators(folder))
                    << Qt::endl;
        return Failure;
    }
    // The source is only read: a file of an earlier version stays as it was, unconverted.
    const auto source = open(context, *from, store::Database::Access::ReadOnly);
    if (!source)
        return Failure;
    auto target = open(context, *to, store::Database::Access::ReadWrite);
    if (!target) {
        if (newFile)
            removeNewFile(*to);
        return Failure;
    }

    QList<store::CopiedProject> copied;
    const InterruptWatch interrupt;
    const Status done = store::copyDatabase(source->connection(), target->connection(),
                                            [&](const store::CopiedProject &project) {
                                                copied.append(project);
                                                return !interrupt.requested();
                                            });
    if (!done) {
        target.reset();
        if (newFile)
            removeNewFile(*to);
        context.err << done.error() << Qt::endl;
        return done.error() == store::copyStoppedMessage() ? Interrupted : Failure;
    }
    // Only once committed: a line for a project the target does not have would mislead.
    for (const store::CopiedProject &project : copied)
        context.out << QStringLiteral("已复制: %1 %2 (%3名学生)")
                           .arg(project.id)
                           .arg(project.memo)
                           .arg(project.students)
                    << Qt::endl;
    context.out << QStringLiteral("共复制%1个分班项目").arg(copied.size()) << Qt::endl;
    return Success;
}

} // namespace fenban::cli
