#pragma once

#include <QByteArray>

namespace fenban::exchange::xls {

// What a file in the compound-document container holds, as far as reading a workbook goes.
struct OleContents {
    enum class Kind {
        Workbook,         // `stream` holds the workbook stream
        EncryptedPackage, // a password-protected workbook of any format: the container wraps the encrypted package
        NoWorkbook,       // another kind of document
        Damaged,
    };
    Kind kind = Kind::Damaged;
    QByteArray stream;
    bool unicodeEra = true; // the stream is "Workbook" rather than the older "Book"
};

OleContents readOleContents(const QByteArray &file);

// A new, well-formed container file holding nothing but the workbook stream.
QByteArray wrapWorkbookStream(const OleContents &contents);

} // namespace fenban::exchange::xls
