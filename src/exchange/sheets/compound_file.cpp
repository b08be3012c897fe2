#include "exchange/sheets/compound_file.h"

#include "exchange/sheets/sheet_limits.h"

#include <QString>
#include <QtEndian>

#include <algorithm>
#include <array>
#include <optional>
#include <vector>

namespace fenban::exchange::xls {

namespace {

constexpr quint32 endOfChain = 0xFFFFFFFE;
constexpr quint32 noEntry = 0xFFFFFFFF;
constexpr qint64 headerSize = 512;
constexpr int headerFatSlots = 109;
constexpr qint64 entrySize = 128;
constexpr qint64 miniSectorSize = 64;
// Streams below this size live in the mini stream; the format fixes it, whatever a header may claim.
constexpr qint64 miniStreamCutoff = 4096;

enum EntryType : quint8 { Stream = 2, Root = 5 };

quint16 get16(const QByteArray &bytes, qint64 at) {
    return qFromLittleEndian<quint16>(bytes.constData() + at);
}
quint32 get32(const QByteArray &bytes, qint64 at) {
    return qFromLittleEndian<quint32>(bytes.constData() + at);
}
quint64 get64(const QByteArray &bytes, qint64 at) {
    return qFromLittleEndian<quint64>(bytes.constData() + at);
}

struct Entry {
    QString name;
    quint8 type = 0;
    quint32 left = noEntry;
    quint32 right = noEntry;
    quint32 child = noEntry;
    quint32 start = endOfChain;
    quint64 size = 0;
};

// The sectors of the chain that begins at `start`, looked up in `table` (the FAT or the mini FAT): exactly
// `count` of them, or every one up to the end mark when `count` is negative. A sector at or past `limit`,
// one the table does not cover, one met twice, or a chain that ends early makes the chain damaged.
std::optional<std::vector<quint32>> followChain(const std::vector<quint32> &table, quint32 start,
                                                qint64 limit, qint64 count) {
    std::vector<quint32> sectors;
    if (count == 0)
        return sectors;
    const qint64 bound = std::min<qint64>(limit, qint64(table.size()));
    std::vector<bool> visited(static_cast<size_t>(std::max<qint64>(bound, 0)));
    quint32 sector = start;
    while (count < 0 || qint64(sectors.size()) < count) {
        if (sector == endOfChain && count < 0)
            break;
        if (qint64(sector) >= bound || visited[sector])
            return std::nullopt;
        visited[sector] = true;
        sectors.push_back(sector);
        sector = table[sector];
    }
    return sectors;
}

class Container {
public:
    explicit Container(const QByteArray &file) : m_file(file) {}

    OleContents read() {
        OleContents contents;
        if (!readHeader() || !readFat() || !readDirectory())
            return contents;
        const std::optional<std::vector<quint32>> children = rootChildren();
        if (!children)
            return contents;
        // "Book" is the stream's name in the workbooks of the mid-nineties.
        std::optional<Entry> workbook = findStream(*children, QStringLiteral("Workbook"));
        if (!workbook)
            workbook = findStream(*children, QStringLiteral("Book"));
        if (!workbook) {
            const bool encrypted = findStream(*children, QStringLiteral("EncryptedPackage")) ||
                                   findStream(*children, QStringLiteral("EncryptionInfo"));
            contents.kind = encrypted ? OleContents::Kind::EncryptedPackage : OleContents::Kind::NoWorkbook;
            return contents;
        }
        std::optional<QByteArray> stream = readStream(*workbook);
        if (!stream)
            return contents;
        contents.kind = OleContents::Kind::Workbook;
        contents.stream = std::move(*stream);
        return contents;
    }

private:
    bool readHeader() {
        static constexpr std::array<unsigned char, 8> signature{0xD0, 0xCF, 0x11, 0xE0,
                                                                0xA1, 0xB1, 0x1A, 0xE1};
        if (m_file.size() < headerSize || !std::equal(signature.begin(), signature.end(), m_file.constData(),
                                                      [](unsigned char a, char b) { return a == quint8(b); }))
            return false;
        const quint16 sectorShift = get16(m_file, 30);
        if ((sectorShift != 9 && sectorShift != 12) || get16(m_file, 32) != 6)
            return false;
        m_sectorSize = qint64(1) << sectorShift;
        // Sector n starts at (n + 1) sectors; the last one may be cut short, so each read checks its bytes.
        m_sectorCount = m_file.size() > m_sectorSize ? (m_file.size() - 1) / m_sectorSize : 0;
        return true;
    }

    // Whether `length` bytes from the start of `sector` lie in the file.
    bool inFile(quint32 sector, qint64 length) const {
        return qint64(sector) < m_sectorCount &&
               (qint64(sector) + 1) * m_sectorSize + length <= m_file.size();
    }
    qint64 offsetOf(quint32 sector) const { return (qint64(sector) + 1) * m_sectorSize; }

    // Appends the entries of whole table sectors (FAT, mini FAT) to `table`.
    bool appendTableSector(std::vector<quint32> &table, quint32 sector) const {
        if (!inFile(sector, m_sectorSize))
            return false;
        const qint64 offset = offsetOf(sector);
        for (qint64 at = 0; at < m_sectorSize; at += 4)
            table.push_back(get32(m_file, offset + at));
        return true;
    }

    // The FAT's sectors are listed in the header, then in a chain of DIFAT sectors whose last slot names
    // the next one.
    bool readFat() {
        const quint32 fatSectors = get32(m_file, 44);
        if (qint64(fatSectors) > m_sectorCount)
            return false;
        std::vector<quint32> locations;
        locations.reserve(fatSectors);
        for (int i = 0; i < headerFatSlots && locations.size() < fatSectors; ++i)
            locations.push_back(get32(m_file, 76 + 4 * qint64(i)));
        const qint64 slotsPerSector = m_sectorSize / 4 - 1;
        std::vector<bool> visited(static_cast<size_t>(m_sectorCount));
        quint32 difat = get32(m_file, 68);
        while (locations.size() < fatSectors) {
            if (!inFile(difat, m_sectorSize) || visited[difat])
                return false;
            visited[difat] = true;
            const qint64 offset = offsetOf(difat);
            for (qint64 i = 0; i < slotsPerSector && locations.size() < fatSectors; ++i)
                locations.push_back(get32(m_file, offset + 4 * i));
            difat = get32(m_file, offset + 4 * slotsPerSector);
        }
        m_fat.reserve(size_t(fatSectors) * size_t(m_sectorSize / 4));
        for (quint32 location : locations) {
            if (!appendTableSector(m_fat, location))
                return false;
        }
        return true;
    }

    bool readDirectory() {
        const std::optional<std::vector<quint32>> sectors =
            followChain(m_fat, get32(m_file, 48), m_sectorCount, -1);
        if (!sectors || sectors->empty())
            return false;
        for (quint32 sector : *sectors) {
            if (!inFile(sector, m_sectorSize))
                return false;
            m_directory.append(m_file.constData() + offsetOf(sector), m_sectorSize);
        }
        m_entryCount = m_directory.size() / entrySize;
        return entry(0).type == Root;
    }

    Entry entry(quint32 index) const {
        const qint64 base = qint64(index) * entrySize;
        Entry entry;
        // The name's length counts its terminating zero in bytes; a damaged one is held to the 32 slots.
        const qint64 length = std::min<qint64>(get16(m_directory, base + 64) / 2, 32);
        for (qint64 i = 0; i < length; ++i) {
            const char16_t unit = get16(m_directory, base + 2 * i);
            if (unit == 0)
                break;
            entry.name.append(QChar(unit));
        }
        entry.type = quint8(m_directory[base + 66]);
        entry.left = get32(m_directory, base + 68);
        entry.right = get32(m_directory, base + 72);
        entry.child = get32(m_directory, base + 76);
        entry.start = get32(m_directory, base + 116);
        // Files of 512-byte sectors may hold anything in the size's high half; the format tells readers to
        // ignore it there.
        entry.size = m_sectorSize == 512 ? get32(m_directory, base + 120) : get64(m_directory, base + 120);
        return entry;
    }

    // The entries directly under the root: its child and everything reachable through the siblings of that
    // child. An index outside the directory, or an entry met twice, makes the directory damaged.
    std::optional<std::vector<quint32>> rootChildren() const {
        std::vector<quint32> children;
        std::vector<bool> visited(static_cast<size_t>(m_entryCount));
        visited[0] = true;
        std::vector<quint32> pending{entry(0).child};
        while (!pending.empty()) {
            const quint32 index = pending.back();
            pending.pop_back();
            if (index == noEntry)
                continue;
            if (qint64(index) >= m_entryCount || visited[index])
                return std::nullopt;
            visited[index] = true;
            children.push_back(index);
            const Entry child = entry(index);
            pending.push_back(child.right);
            pending.push_back(child.left);
        }
        return children;
    }

    // Stream names compare without regard to case in this container; writers differ in how they spell them.
    std::optional<Entry> findStream(const std::vector<quint32> &children, const QString &name) const {
        for (quint32 index : children) {
            Entry child = entry(index);
            if (child.type == Stream && child.name.compare(name, Qt::CaseInsensitive) == 0)
                return child;
        }
        return std::nullopt;
    }

    std::optional<QByteArray> readStream(const Entry &stream) {
        // A stream cannot hold more than the file it lives in; a larger size comes from a damaged entry.
        if (stream.size > quint64(m_file.size()) || qint64(stream.size) > sheet_limits::maxPartSize)
            return std::nullopt;
        const qint64 size = qint64(stream.size);
        if (size >= miniStreamCutoff)
            return readSectors(stream.start, size);
        if (!m_miniStream && !readMiniStream())
            return std::nullopt;
        const std::optional<std::vector<quint32>> sectors =
            followChain(m_miniFat, stream.start, (m_miniStream->size() + miniSectorSize - 1) / miniSectorSize,
                        (size + miniSectorSize - 1) / miniSectorSize);
        if (!sectors)
            return std::nullopt;
        QByteArray bytes;
        bytes.reserve(size);
        for (quint32 sector : *sectors) {
            const qint64 offset = qint64(sector) * miniSectorSize;
            const qint64 length = std::min(miniSectorSize, size - bytes.size());
            if (offset + length > m_miniStream->size())
                return std::nullopt;
            bytes.append(m_miniStream->constData() + offset, length);
        }
        return bytes;
    }

    // `size` bytes of the chain in the FAT that begins at `start`.
    std::optional<QByteArray> readSectors(quint32 start, qint64 size) const {
        const std::optional<std::vector<quint32>> sectors =
            followChain(m_fat, start, m_sectorCount, (size + m_sectorSize - 1) / m_sectorSize);
        if (!sectors)
            return std::nullopt;
        QByteArray bytes;
        bytes.reserve(size);
        for (quint32 sector : *sectors) {
            const qint64 length = std::min(m_sectorSize, size - bytes.size());
            if (!inFile(sector, length))
                return std::nullopt;
            bytes.append(m_file.constData() + offsetOf(sector), length);
        }
        return bytes;
    }

    // The small streams live in 64-byte sectors inside the root entry's own stream, chained by the mini FAT.
    bool readMiniStream() {
        const Entry root = entry(0);
        if (root.size > quint64(m_file.size()))
            return false;
        std::optional<QByteArray> miniStream = readSectors(root.start, qint64(root.size));
        if (!miniStream)
            return false;
        const quint32 miniFatStart = get32(m_file, 60);
        if (miniFatStart != endOfChain) {
            const std::optional<std::vector<quint32>> sectors =
                followChain(m_fat, miniFatStart, m_sectorCount, -1);
            if (!sectors)
                return false;
            for (quint32 sector : *sectors) {
                if (!appendTableSector(m_miniFat, sector))
                    return false;
            }
        }
        m_miniStream = std::move(*miniStream);
        return true;
    }

    const QByteArray &m_file;
    qint64 m_sectorSize = 512;
    qint64 m_sectorCount = 0;
    std::vector<quint32> m_fat;
    QByteArray m_directory;
    qint64 m_entryCount = 0;
    std::vector<quint32> m_miniFat;
    std::optional<QByteArray> m_miniStream;
};

} // namespace

OleContents readCompoundFile(const QByteArray &file) {
    return Container(file).read();
}

} // namespace fenban::exchange::xls
