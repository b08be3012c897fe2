#include "compound_writer.h"

#include <QtEndian>

#include <vector>

namespace fenban::exchange::testing {

namespace {

constexpr quint32 freeSector = 0xFFFFFFFF;
constexpr quint32 endOfChain = 0xFFFFFFFE;
constexpr quint32 fatSector = 0xFFFFFFFD;
constexpr quint32 difatSector = 0xFFFFFFFC;
constexpr quint32 noEntry = 0xFFFFFFFF;
constexpr qint64 miniSectorSize = 64;
constexpr qint64 miniStreamCutoff = 4096;
constexpr int headerFatSlots = 109;

qint64 sectorsFor(qint64 bytes, qint64 sectorSize) {
    return (bytes + sectorSize - 1) / sectorSize;
}

void put16(QByteArray &bytes, qint64 at, quint16 value) {
    qToLittleEndian(value, bytes.data() + at);
}
void put32(QByteArray &bytes, qint64 at, quint32 value) {
    qToLittleEndian(value, bytes.data() + at);
}
void put64(QByteArray &bytes, qint64 at, quint64 value) {
    qToLittleEndian(value, bytes.data() + at);
}

// Links `count` sectors from `first` into one chain of `table`.
void chain(std::vector<quint32> &table, qint64 first, qint64 count) {
    for (qint64 i = 0; i < count; ++i)
        table[size_t(first + i)] = i + 1 < count ? quint32(first + i + 1) : endOfChain;
}

void writeEntry(QByteArray &directory, qint64 index, const QByteArray &name, quint8 type, quint32 child,
                quint32 right, quint32 start, quint64 size) {
    const qint64 base = index * 128;
    for (qsizetype i = 0; i < name.size(); ++i)
        put16(directory, base + 2 * i, quint8(name[i]));
    put16(directory, base + 64, quint16(2 * (name.size() + 1)));
    directory[base + 66] = char(type);
    directory[base + 67] = 1; // black
    put32(directory, base + 68, noEntry);
    put32(directory, base + 72, right);
    put32(directory, base + 76, child);
    put32(directory, base + 116, start);
    put64(directory, base + 120, size);
}

} // namespace

QByteArray compoundFile(const QList<CompoundStream> &streams, CompoundLayout layout) {
    const qint64 sectorSize = qint64(1) << layout.sectorShift;
    const qint64 perTable = sectorSize / 4;

    QList<qint64> miniStarts, largeStarts;
    qint64 miniSectors = 0, largeSectors = 0;
    for (const CompoundStream &stream : streams) {
        if (stream.bytes.size() < miniStreamCutoff) {
            miniStarts.append(miniSectors);
            miniSectors += sectorsFor(stream.bytes.size(), miniSectorSize);
            largeStarts.append(-1);
        } else {
            largeStarts.append(largeSectors);
            largeSectors += sectorsFor(stream.bytes.size(), sectorSize);
            miniStarts.append(-1);
        }
    }
    const qint64 miniStreamSize = miniSectors * miniSectorSize;
    const qint64 miniStreamSectors = sectorsFor(miniStreamSize, sectorSize);
    const qint64 miniFatSectors = sectorsFor(miniSectors, perTable);
    const qint64 directorySectors = sectorsFor((streams.size() + 1) * 128, sectorSize);
    const qint64 others = directorySectors + miniFatSectors + miniStreamSectors + largeSectors;

    // The FAT must also cover its own sectors and those of the DIFAT.
    qint64 fatCount = 1, difatCount = 0;
    for (;; ++fatCount) {
        difatCount = fatCount > headerFatSlots ? sectorsFor(fatCount - headerFatSlots, perTable - 1) : 0;
        if (fatCount * perTable >= fatCount + difatCount + others)
            break;
    }
    fatCount += layout.spareFatSectors;
    difatCount = fatCount > headerFatSlots ? sectorsFor(fatCount - headerFatSlots, perTable - 1) : 0;

    const qint64 difatFirst = fatCount;
    const qint64 directoryFirst = difatFirst + difatCount;
    const qint64 miniFatFirst = directoryFirst + directorySectors;
    const qint64 miniStreamFirst = miniFatFirst + miniFatSectors;
    const qint64 largeFirst = miniStreamFirst + miniStreamSectors;
    const qint64 sectorCount = largeFirst + largeSectors;

    std::vector<quint32> fat(size_t(fatCount * perTable), freeSector);
    for (qint64 i = 0; i < fatCount; ++i)
        fat[size_t(i)] = fatSector;
    for (qint64 i = 0; i < difatCount; ++i)
        fat[size_t(difatFirst + i)] = difatSector;
    chain(fat, directoryFirst, directorySectors);
    chain(fat, miniFatFirst, miniFatSectors);
    chain(fat, miniStreamFirst, miniStreamSectors);
    std::vector<quint32> miniFat(size_t(miniFatSectors * perTable), freeSector);
    for (qsizetype i = 0; i < streams.size(); ++i) {
        const qint64 size = streams[i].bytes.size();
        if (miniStarts[i] >= 0)
            chain(miniFat, miniStarts[i], sectorsFor(size, miniSectorSize));
        else
            chain(fat, largeFirst + largeStarts[i], sectorsFor(size, sectorSize));
    }

    QByteArray file((sectorCount + 1) * sectorSize, '\0');
    auto sectorOffset = [&](qint64 sector) {
        return (sector + 1) * sectorSize;
    };

    file.replace(0, 8, QByteArrayView("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8));
    put16(file, 24, 0x3E);
    put16(file, 26, layout.sectorShift == 12 ? 4 : 3);
    put16(file, 28, 0xFFFE);
    put16(file, 30, quint16(layout.sectorShift));
    put16(file, 32, 6);
    put32(file, 40, layout.sectorShift == 12 ? quint32(directorySectors) : 0);
    put32(file, 44, quint32(fatCount));
    put32(file, 48, quint32(directoryFirst));
    put32(file, 56, quint32(miniStreamCutoff));
    put32(file, 60, miniFatSectors > 0 ? quint32(miniFatFirst) : endOfChain);
    put32(file, 64, quint32(miniFatSectors));
    put32(file, 68, difatCount > 0 ? quint32(difatFirst) : endOfChain);
    put32(file, 72, quint32(difatCount));
    for (qint64 i = 0; i < headerFatSlots; ++i)
        put32(file, 76 + 4 * i, i < fatCount ? quint32(i) : freeSector);

    for (qint64 d = 0; d < difatCount; ++d) {
        const qint64 base = sectorOffset(difatFirst + d);
        for (qint64 slot = 0; slot < perTable - 1; ++slot) {
            const qint64 fatIndex = headerFatSlots + d * (perTable - 1) + slot;
            put32(file, base + 4 * slot, fatIndex < fatCount ? quint32(fatIndex) : freeSector);
        }
        put32(file, base + 4 * (perTable - 1), d + 1 < difatCount ? quint32(difatFirst + d + 1) : endOfChain);
    }
    for (size_t i = 0; i < fat.size(); ++i)
        put32(file, sectorOffset(qint64(i) / perTable) + 4 * (qint64(i) % perTable), fat[i]);
    for (size_t i = 0; i < miniFat.size(); ++i)
        put32(file, sectorOffset(miniFatFirst + qint64(i) / perTable) + 4 * (qint64(i) % perTable),
              miniFat[i]);

    QByteArray directory(directorySectors * sectorSize, '\0');
    for (qint64 i = 0; i < directory.size() / 128; ++i) {
        for (int field : {68, 72, 76})
            put32(directory, i * 128 + field, noEntry);
    }
    writeEntry(directory, 0, "Root Entry", 5, streams.isEmpty() ? noEntry : 1, noEntry,
               miniStreamSectors > 0 ? quint32(miniStreamFirst) : endOfChain, quint64(miniStreamSize));
    for (qsizetype i = 0; i < streams.size(); ++i) {
        const QByteArray &bytes = streams[i].bytes;
        const quint32 right = i + 1 < streams.size() ? quint32(i + 2) : noEntry;
        const quint32 start = bytes.isEmpty()      ? endOfChain
                              : miniStarts[i] >= 0 ? quint32(miniStarts[i])
                                                   : quint32(largeFirst + largeStarts[i]);
        writeEntry(directory, i + 1, streams[i].name, 2, noEntry, right, start, quint64(bytes.size()));
        if (miniStarts[i] >= 0)
            file.replace(sectorOffset(miniStreamFirst) + miniStarts[i] * miniSectorSize, bytes.size(), bytes);
        else
            file.replace(sectorOffset(largeFirst + largeStarts[i]), bytes.size(), bytes);
    }
    file.replace(sectorOffset(directoryFirst), directory.size(), directory);
    return file;
}

} // namespace fenban::exchange::testing
