#pragma once

#include <QByteArray>
#include <QString>

#include <memory>

struct zip;

namespace fenban::exchange {

// Read access to the parts of a zip package held in memory.
class ZipPackage {
public:
    enum class Problem { None, Missing, Encrypted, TooLarge, Damaged };
    struct Part {
        Problem problem = Problem::None;
        QByteArray data;
    };

    // Null when the bytes are no readable zip archive.
    static std::unique_ptr<ZipPackage> open(QByteArray bytes);
    ~ZipPackage();
    ZipPackage(const ZipPackage &) = delete;
    ZipPackage &operator=(const ZipPackage &) = delete;

    // Part names are compared without regard to case, as the package format demands.
    Part read(const QString &name) const;

private:
    ZipPackage(QByteArray bytes, zip *archive);

    QByteArray m_bytes; // the archive reads from this buffer, so it lives as long as the archive
    zip *m_archive;
};

} // namespace fenban::exchange
