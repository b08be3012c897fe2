#pragma once

#include "exchange/sheets/sheet_limits.h"

#include <QByteArrayView>
#include <QList>
#include <QString>

namespace fenban::exchange::biff {

// The workbook's shared string table: the table record's data, then that of its continuation records.
// A table that breaks off gives the strings before the break; a cell that refers past them is damage the
// sheet reader reports. A table that states, or holds, more than the limits allow gives the limit.
sheet_limits::Parsed<QList<QString>> readSharedStrings(const QList<QByteArrayView> &pieces);

} // namespace fenban::exchange::biff
