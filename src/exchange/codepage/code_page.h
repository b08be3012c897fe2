#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <optional>

// Text in the encodings of Windows that files from Chinese schools arrive in: GBK (code page 936), in
// which Chinese editions save CSV files and older workbooks, and the code page an older workbook names.
// Each platform converts with its own tables; the results below are what callers may rely on.
namespace fenban::exchange::code_page {

// False only where this build cannot convert GBK at all.
bool gbkAvailable();

// The GBK bytes of the text, as Chinese editions of Windows write it: the euro sign is the single byte
// 0x80. None when a character has no exact GBK code (a character only GB18030 has, one for which GBK
// has nothing but a look-alike, a lone surrogate), or when GBK is unavailable.
std::optional<QByteArray> gbkBytes(QStringView text);

// GBK bytes as text. A lead byte whose next byte cannot follow it gives U+FFFD, and reading goes on
// with that next byte; a lead byte at the very end gives nothing; the stray byte 0xFF gives U+F8F5, as
// the tables of both ICU and Windows have it. Callers that must know whether the bytes were clean check
// them themselves.
QString gbkText(QByteArrayView bytes);

// Eight-bit or double-byte text in the Windows code page with this number (1252, 936, 10000 for
// Mac Roman...); Latin-1 where the code page is unknown here.
QString windowsCodePageText(int codePage, QByteArrayView bytes);

} // namespace fenban::exchange::code_page
