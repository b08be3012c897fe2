#pragma once

#include "exchange/sheets/ole_container.h"

#include <QByteArray>

namespace fenban::exchange::xls {

// Reads the compound-document container without any library, for builds that lack GLib. Every number the
// file holds about itself (sector indices, chains, sizes) is checked before it is used: a damaged or crafted
// file gives Kind::Damaged, and nothing read can exceed the file's own size.
OleContents readCompoundFile(const QByteArray &file);

} // namespace fenban::exchange::xls
