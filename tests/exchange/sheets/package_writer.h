#pragma once

#include <QByteArray>
#include <QList>

#include <utility>

// Writes workbook packages in memory, for tests that make their .xlsx files instead of keeping them.
namespace fenban::exchange::testing {

// Name and content of each part, in archive order.
using PackageParts = QList<std::pair<QByteArray, QByteArray>>;

enum class Compression { Stored, Deflated };

// A zip archive of the parts; a part named twice keeps its last content.
QByteArray zipArchive(const PackageParts &parts, Compression compression = Compression::Stored);

// A package of one worksheet named "S" and, when given, a shared-string table.
QByteArray workbookPackage(const QByteArray &worksheetXml, const QByteArray &sharedStringsXml = {},
                           Compression compression = Compression::Stored);

} // namespace fenban::exchange::testing
