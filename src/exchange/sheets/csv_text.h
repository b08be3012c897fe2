#pragma once

#include <QByteArrayView>
#include <QString>

namespace fenban::exchange {

struct CsvText {
    QString text;
    // The line (from 1) where the text stops being valid in the encoding it was read in; 0 when the whole
    // file decoded cleanly.
    int undecodableLine = 0;
};

// The text of a CSV file. A byte-order mark decides the encoding. Without one, bytes that are valid UTF-8
// are read as UTF-8, and bytes that are valid GBK, the encoding Chinese office suites save CSV files in,
// as GBK. A file that is neither is read in the one it resembles more, and the first line that does not
// fit is reported: UTF-8 text with one stray byte decodes "cleanly" as GBK more often than not, into
// nonsense that nobody would notice.
CsvText decodeCsv(QByteArrayView bytes);

// The text as decodeCsv gives it, whether clean or not: enough to judge what kind of file it is.
QString decodeCsvText(QByteArrayView bytes);

// False if the text holds control characters that no CSV file contains: then it is binary data that merely
// decoded without complaint.
bool isPlainText(QStringView text);

} // namespace fenban::exchange
