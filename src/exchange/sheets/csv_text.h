#pragma once

#include <QByteArrayView>
#include <QString>

namespace fenban::exchange {

// The text of a CSV file. A byte-order mark decides the encoding; without one, bytes that are valid UTF-8
// are read as UTF-8 and anything else as GBK, the encoding Chinese office suites save CSV files in.
QString decodeCsvText(QByteArrayView bytes);

// False if the text holds control characters that no CSV file contains: then it is binary data that merely
// decoded without complaint.
bool isPlainText(QStringView text);

} // namespace fenban::exchange
