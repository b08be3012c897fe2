#pragma once

#include <QByteArrayView>
#include <QList>
#include <QString>

// The binary workbook stream, read just far enough to find the first worksheet and the values that the
// cell reader leaves out: the stored results of formulas, and boolean and error cells.
namespace fenban::exchange::xls {

struct StoredValue {
    int row;    // from 1
    int column; // from 1
    QString text;

    bool operator==(const StoredValue &) const = default;
};

struct FirstWorksheet {
    enum class Outcome { Found, Encrypted, Damaged, UnknownVersion };
    Outcome outcome = Outcome::Damaged;
    QString name;
    QList<StoredValue> storedValues; // in stream order; a later value for the same cell wins
};

FirstWorksheet scanFirstWorksheet(QByteArrayView workbookStream);

} // namespace fenban::exchange::xls
