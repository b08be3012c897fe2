#pragma once

#include "store/result.h"

#include <QByteArray>
#include <QString>

namespace fenban::exchange {

// No student list comes near this; a bigger file is the wrong file, and reading it would only eat memory.
inline constexpr qint64 maxSheetFileSize = 256 * 1024 * 1024;

// The file's bytes, at most `limit` of them from the start (all when negative). A missing, unreadable,
// empty or oversized file gives the message to show.
store::Result<QByteArray> readSheetFile(const QString &path, qint64 limit = -1);

} // namespace fenban::exchange
