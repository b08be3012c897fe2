#include "app/diagnostics.h"

#include "store/database.h"

#include <QByteArray>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <mutex>

#if defined(__SANITIZE_ADDRESS__)
#include <cstdint>
#include <sanitizer/common_interface_defs.h>
#endif

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>
#include <windows.h>
#else
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>
#endif

namespace fenban::app {

namespace {

// The few descriptor operations the log needs, one half per platform. Descriptors rather than
// streams: the C standard error is a descriptor the libraries share with the process.
namespace platform {

#ifdef _WIN32

int openLog(const QString &path) {
    int fd = -1;
    _wsopen_s(&fd, reinterpret_cast<const wchar_t *>(path.utf16()),
              _O_WRONLY | _O_CREAT | _O_APPEND | _O_BINARY | _O_NOINHERIT, _SH_DENYNO, _S_IREAD | _S_IWRITE);
    return fd;
}
int openNothing() {
    int fd = -1;
    _sopen_s(&fd, "NUL", _O_WRONLY | _O_NOINHERIT, _SH_DENYNO, _S_IWRITE);
    return fd;
}
void writeAll(int fd, const QByteArray &bytes) {
    _write(fd, bytes.constData(), unsigned(bytes.size()));
}
int duplicate(int fd) {
    return _dup(fd);
}
bool redirect(int from, int to) {
    return _dup2(from, to) == 0;
}
void closeDescriptor(int fd) {
    _close(fd);
}
std::FILE *streamOn(int fd) {
    return _fdopen(fd, "w");
}
void moveAside(const QString &path, const QString &aside) {
    MoveFileExW(reinterpret_cast<const wchar_t *>(path.utf16()),
                reinterpret_cast<const wchar_t *>(aside.utf16()), MOVEFILE_REPLACE_EXISTING);
}

#else

int openLog(const QString &path) {
    return ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
}
int openNothing() {
    return ::open("/dev/null", O_WRONLY | O_CLOEXEC);
}
void writeAll(int fd, const QByteArray &bytes) {
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t written = ::write(fd, bytes.constData() + done, std::size_t(bytes.size() - done));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return;
        done += written;
    }
}
int duplicate(int fd) {
    return ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
}
bool redirect(int from, int to) {
    return ::dup2(from, to) == to;
}
void closeDescriptor(int fd) {
    ::close(fd);
}
std::FILE *streamOn(int fd) {
    return ::fdopen(fd, "w");
}
void moveAside(const QString &path, const QString &aside) {
    // rename() replaces the older file in one step.
    ::rename(QFile::encodeName(path).constData(), QFile::encodeName(aside).constData());
}

#endif

} // namespace platform

const int standardError = 2;

struct Log {
    std::mutex mutex;
    QString path;
    int fd = -1;
    qint64 size = 0;
    bool diverted = false; // the C standard error points at fd as well
};

// Never destroyed: Qt may still speak while static objects are torn down at exit.
Log &theLog() {
    static Log *log = new Log;
    return *log;
}

// A log past its bound is moved aside before more is written. Called with the mutex held.
void openLog(Log &log) {
    const QFileInfo existing(log.path);
    if (existing.exists() && existing.size() > logLimit)
        platform::moveAside(log.path, log.path + QStringLiteral(".1"));
    const int fd = platform::openLog(log.path);
    if (fd < 0)
        return;
    if (log.diverted)
        platform::redirect(fd, standardError);
    if (log.fd >= 0)
        platform::closeDescriptor(log.fd);
    log.fd = fd;
    log.size = QFileInfo(log.path).size();
}

const char *typeName(QtMsgType type) {
    switch (type) {
    case QtDebugMsg:
        return "debug";
    case QtInfoMsg:
        return "info";
    case QtWarningMsg:
        return "warning";
    case QtCriticalMsg:
        return "critical";
    case QtFatalMsg:
        return "fatal";
    }
    return "message";
}

thread_local bool inHandler = false;

void logMessage(QtMsgType type, const QMessageLogContext &context, const QString &message) {
    // A message raised while one is being written (by the time or file calls below) is dropped
    // rather than waiting on the lock this thread holds.
    if (inHandler)
        return;
    inHandler = true;
    QString text = message;
    text.replace(QLatin1Char('\n'), QStringLiteral("\\n"));
    const QByteArray line = QDateTime::currentDateTime().toString(Qt::ISODateWithMs).toUtf8() + ' ' +
                            typeName(type) + ' ' + (context.category ? context.category : "default") + ": " +
                            text.toUtf8() + '\n';
    Log &log = theLog();
    {
        const std::lock_guard lock(log.mutex);
        if (log.fd >= 0 && log.size + line.size() > logLimit)
            openLog(log);
        if (log.fd >= 0) {
            platform::writeAll(log.fd, line);
            log.size += line.size();
        }
    }
    inHandler = false;
}

} // namespace

QString defaultLogFolder() {
    return QFileInfo(store::defaultDatabasePath()).path();
}

QString logFilePath(const QString &folder) {
    return folder + QStringLiteral("/fenban.log");
}

void installMessageLog(const QString &folder) {
    Log &log = theLog();
    {
        const std::lock_guard lock(log.mutex);
        // Like the database's folder: the log may name files and students.
        if (!QFileInfo::exists(folder) && QDir().mkpath(folder))
            QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        log.path = logFilePath(folder);
        openLog(log);
    }
    qInstallMessageHandler(logMessage);
}

std::FILE *divertStandardError() {
    Log &log = theLog();
    const std::lock_guard lock(log.mutex);
    std::fflush(stderr);
    const int own = platform::duplicate(standardError);
    if (own < 0)
        return stderr;
    std::FILE *stream = platform::streamOn(own);
    if (!stream) {
        platform::closeDescriptor(own);
        return stderr;
    }
    // Unbuffered, like the standard error it stands for.
    std::setvbuf(stream, nullptr, _IONBF, 0);
    const int target = log.fd >= 0 ? log.fd : platform::openNothing();
    const bool redirected = target >= 0 && platform::redirect(target, standardError);
    if (target >= 0 && target != log.fd)
        platform::closeDescriptor(target);
    if (!redirected) {
        std::fclose(stream);
        return stderr;
    }
    log.diverted = true;
#if defined(__SANITIZE_ADDRESS__)
    // A sanitizer's report is for whoever runs the tests, not for the log nobody reads.
    __sanitizer_set_report_fd(reinterpret_cast<void *>(static_cast<std::intptr_t>(own)));
#endif
    return stream;
}

} // namespace fenban::app
