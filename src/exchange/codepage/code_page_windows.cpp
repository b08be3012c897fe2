#include "exchange/codepage/code_page.h"

#include <windows.h>

#include <climits>

namespace fenban::exchange::code_page {

namespace {

constexpr UINT gbkCodePage = 936;
// Text is converted in pieces of at most this many bytes, since the conversion functions count in int.
constexpr qsizetype pieceLimit = qsizetype(1) << 24;

const wchar_t *wide(QStringView text) {
    return reinterpret_cast<const wchar_t *>(text.utf16());
}

// None where the code page has no character for some of the bytes and `flags` asks to be told.
std::optional<QString> toText(UINT codePage, DWORD flags, QByteArrayView bytes) {
    if (bytes.isEmpty())
        return QString();
    if (bytes.size() > INT_MAX)
        return std::nullopt;
    const int size = int(bytes.size());
    const int length = MultiByteToWideChar(codePage, flags, bytes.data(), size, nullptr, 0);
    if (length <= 0)
        return std::nullopt;
    QString text(length, Qt::Uninitialized);
    if (MultiByteToWideChar(codePage, flags, bytes.data(), size, reinterpret_cast<wchar_t *>(text.data()),
                            length) != length)
        return std::nullopt;
    return text;
}

bool isGbkLead(quint8 byte) {
    return byte > 0x80 && byte < 0xFF;
}

bool isGbkTrail(quint8 byte) {
    return byte >= 0x40 && byte != 0x7F && byte != 0xFF;
}

// Well-formed GBK: ASCII and pairs. A pair the table has no character for gives U+FFFD on its own,
// rather than spoiling the rest of the piece.
void appendGbk(QString &text, QByteArrayView piece) {
    if (const std::optional<QString> whole = toText(gbkCodePage, MB_ERR_INVALID_CHARS, piece)) {
        text += *whole;
        return;
    }
    for (qsizetype i = 0; i < piece.size();) {
        const qsizetype width = quint8(piece[i]) < 0x80 ? 1 : 2;
        const std::optional<QString> unit = toText(gbkCodePage, MB_ERR_INVALID_CHARS, piece.sliced(i, width));
        text += unit ? *unit : QString(QChar::ReplacementCharacter);
        i += width;
    }
}

} // namespace

bool gbkAvailable() {
    return IsValidCodePage(gbkCodePage) != FALSE;
}

std::optional<QByteArray> gbkBytes(QStringView text) {
    if (text.isEmpty())
        return QByteArray();
    if (text.size() > INT_MAX)
        return std::nullopt;
    const int size = int(text.size());
    BOOL usedDefault = FALSE;
    const int length = WideCharToMultiByte(gbkCodePage, WC_NO_BEST_FIT_CHARS, wide(text), size, nullptr, 0,
                                           nullptr, &usedDefault);
    if (length <= 0 || usedDefault)
        return std::nullopt;
    QByteArray bytes(length, Qt::Uninitialized);
    if (WideCharToMultiByte(gbkCodePage, WC_NO_BEST_FIT_CHARS, wide(text), size, bytes.data(), length,
                            nullptr, &usedDefault) != length ||
        usedDefault)
        return std::nullopt;
    // A code that reads back as another character is no exact code. Read back as gbkText reads, so
    // that the stray byte 0xFF and U+F8F5 correspond as they do there.
    if (gbkText(bytes) != text)
        return std::nullopt;
    return bytes;
}

QString gbkText(QByteArrayView bytes) {
    QString text;
    text.reserve(bytes.size());
    qsizetype start = 0; // of the well-formed bytes not yet converted
    const auto convertUpTo = [&](qsizetype end) {
        appendGbk(text, bytes.sliced(start, end - start));
        start = end;
    };
    for (qsizetype i = 0; i < bytes.size();) {
        if (i - start >= pieceLimit)
            convertUpTo(i);
        const quint8 lead = quint8(bytes[i]);
        if (lead < 0x80) {
            ++i;
            continue;
        }
        if (isGbkLead(lead) && i + 1 < bytes.size() && isGbkTrail(quint8(bytes[i + 1]))) {
            i += 2;
            continue;
        }
        convertUpTo(i);
        ++i;
        start = i;
        // The two single bytes above ASCII are fixed here: MB_ERR_INVALID_CHARS refuses 0xFF, and
        // older versions of Windows lack the euro sign.
        if (lead == 0x80)
            text += QChar(0x20AC);
        else if (lead == 0xFF)
            text += QChar(0xF8F5);
        else if (i < bytes.size())
            text += QChar::ReplacementCharacter;
        // A lead byte at the very end may be the first half of a pair cut off; it gives nothing.
    }
    convertUpTo(bytes.size());
    return text;
}

QString windowsCodePageText(int codePage, QByteArrayView bytes) {
    // Numbers 0 to 3 and 42 stand for this computer's own code pages and the symbol font, not for an
    // encoding a file can name.
    if (codePage > 3 && codePage != 42 && IsValidCodePage(UINT(codePage))) {
        if (const std::optional<QString> text = toText(UINT(codePage), 0, bytes))
            return *text;
    }
    return QString::fromLatin1(bytes);
}

} // namespace fenban::exchange::code_page
