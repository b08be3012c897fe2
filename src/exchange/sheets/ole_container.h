#pragma once

#include <QByteArray>

namespace fenban::exchange::xls {

// What a file in the compound-document container holds, as far as reading a workbook goes.
struct OleContents {
    enum class Kind {
        Workbook,         // `stream` holds the workbook stream
        EncryptedPackage, // a password-protected workbook, whatever its format inside
        NoWorkbook,       // another kind of document
        Damaged,
    };
    Kind kind = Kind::Damaged;
    QByteArray stream;
};

OleContents readOleContents(const QByteArray &file);

} // namespace fenban::exchange::xls
