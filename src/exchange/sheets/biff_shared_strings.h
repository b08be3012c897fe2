#pragma once

#include <QByteArrayView>
#include <QList>
#include <QString>

namespace fenban::exchange::biff {

// The workbook's shared string table: the table record's data, then that of its continuation records.
// A table that breaks off gives the strings before the break; a cell that refers past them is damage the
// sheet reader reports.
QList<QString> readSharedStrings(const QList<QByteArrayView> &pieces);

} // namespace fenban::exchange::biff
