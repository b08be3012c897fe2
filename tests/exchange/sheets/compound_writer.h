#pragma once

#include <QByteArray>
#include <QList>

// Writes the compound-document container for the tests, so that they can make .xls files of every layout
// the format allows (both sector sizes, FATs long enough to need DIFAT sectors) without a container library.
namespace fenban::exchange::testing {

struct CompoundStream {
    QByteArray name; // ASCII, as spelled in the file
    QByteArray bytes;
};

struct CompoundLayout {
    int sectorShift = 9; // 9: 512-byte sectors (version 3), 12: 4096-byte sectors (version 4)
    // FAT sectors beyond those the file needs, all free: enough of them make the header's 109 slots for
    // FAT sectors overflow into DIFAT sectors.
    int spareFatSectors = 0;
};

// Sectors in the order FAT, DIFAT, directory, mini FAT, mini stream, then the large streams, so that the
// bytes of the last large stream end the file. The root's children hang in one chain of right siblings.
QByteArray compoundFile(const QList<CompoundStream> &streams, CompoundLayout layout = {});

} // namespace fenban::exchange::testing
