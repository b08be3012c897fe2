#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#ifndef _WIN32
#include <sys/mount.h>
#endif

namespace fenban::testing {

// A file system of the test's own on a new folder, taken away with the object: a small tmpfs that a
// test can fill up, or a read-only view of another folder (as a CD, a write-protected stick or a
// share mounted read-only would be). Mounting needs root; without it mounted() says false and the
// test cannot show what it is about. Windows has neither, and mounted() always says false there.
class TestMount {
public:
    static TestMount smallDisk(int kilobytes) {
        TestMount mount;
#ifdef _WIN32
        Q_UNUSED(kilobytes);
#else
        const QByteArray size = "size=" + QByteArray::number(kilobytes) + 'k';
        mount.m_mounted = ::mount("tmpfs", mount.native().constData(), "tmpfs", 0, size.constData()) == 0;
#endif
        return mount;
    }
    static TestMount readOnlyView(const QString &folder) {
        TestMount mount;
#ifdef _WIN32
        Q_UNUSED(folder);
#else
        const QByteArray source = QFile::encodeName(folder);
        // A bind mount takes its read-only flag only when mounted again.
        mount.m_mounted =
            ::mount(source.constData(), mount.native().constData(), nullptr, MS_BIND, nullptr) == 0;
        if (mount.m_mounted && ::mount(nullptr, mount.native().constData(), nullptr,
                                       MS_BIND | MS_REMOUNT | MS_RDONLY, nullptr) != 0) {
            ::umount2(mount.native().constData(), MNT_DETACH);
            mount.m_mounted = false;
        }
#endif
        return mount;
    }
    TestMount(TestMount &&other) noexcept : m_dir(std::move(other.m_dir)), m_mounted(other.m_mounted) {
        other.m_mounted = false;
    }
    TestMount &operator=(TestMount &&) = delete;
    ~TestMount() {
#ifndef _WIN32
        if (m_mounted)
            ::umount2(native().constData(), MNT_DETACH);
#endif
    }

    bool mounted() const {
        return m_mounted;
    }
    QString path() const {
        return m_dir.path();
    }
    QString filePath(const QString &name) const {
        return m_dir.filePath(name);
    }

private:
    TestMount() = default;
    QByteArray native() const {
        return QFile::encodeName(m_dir.path());
    }

    QTemporaryDir m_dir;
    bool m_mounted = false;
};

// Writes zeros into a new file until the disk has no room left.
inline void fillDisk(const QString &path) {
    QFile filler(path);
    if (!filler.open(QIODevice::WriteOnly))
        return;
    const QByteArray block(4096, '\0');
    while (filler.write(block) == block.size() && filler.flush()) {
    }
}

} // namespace fenban::testing
