#pragma once

#include "common/result.h"

#include <QByteArray>
#include <QString>

namespace fenban::exchange {

// The file's bytes, at most `limit` of them from the start (all when negative). A missing, unreadable,
// empty or oversized file gives the message to show, and so does anything that is not a regular file:
// a pipe or a device would block the reader or never end.
Result<QByteArray> readSheetFile(const QString &path, qint64 limit = -1);

} // namespace fenban::exchange
