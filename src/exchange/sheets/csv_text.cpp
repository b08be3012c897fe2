#include "exchange/sheets/csv_text.h"

#include "exchange/codepage/code_page.h"

#include <QStringDecoder>

namespace fenban::exchange {

namespace {

bool startsWith(QByteArrayView bytes, QByteArrayView prefix) {
    return bytes.size() >= prefix.size() && bytes.first(prefix.size()) == prefix;
}

struct Scan {
    qsizetype firstError = -1; // offset of the first byte that does not fit
    qsizetype errors = 0;
    qsizetype multiByte = 0; // characters of more than one byte that fit
};

bool isContinuation(quint8 byte) {
    return (byte & 0xC0) == 0x80;
}

// The length of the UTF-8 sequence at `at`, or 0 where none starts. Overlong forms, surrogates and code
// points past U+10FFFF are refused, as a strict decoder refuses them.
qsizetype utf8SequenceAt(QByteArrayView bytes, qsizetype at) {
    const quint8 lead = quint8(bytes[at]);
    if (lead < 0x80)
        return 1;
    qsizetype length = 0;
    quint8 low = 0x80;
    quint8 high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0)
            low = 0xA0;
        else if (lead == 0xED)
            high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0)
            low = 0x90;
        else if (lead == 0xF4)
            high = 0x8F;
    } else {
        return 0;
    }
    if (at + length > bytes.size())
        return 0;
    const quint8 second = quint8(bytes[at + 1]);
    if (second < low || second > high)
        return 0;
    for (qsizetype k = 2; k < length; ++k) {
        if (!isContinuation(quint8(bytes[at + k])))
            return 0;
    }
    return length;
}

Scan scanUtf8(QByteArrayView bytes) {
    Scan scan;
    for (qsizetype i = 0; i < bytes.size();) {
        const qsizetype length = utf8SequenceAt(bytes, i);
        if (length == 0) {
            if (scan.firstError < 0)
                scan.firstError = i;
            ++scan.errors;
            ++i;
            continue;
        }
        if (length > 1)
            ++scan.multiByte;
        i += length;
    }
    return scan;
}

// GBK as Chinese editions of Windows write it: ASCII, the euro sign as 0x80, and pairs of a lead byte
// 0x81-0xFE and a trail byte 0x40-0xFE other than 0x7F.
Scan scanGbk(QByteArrayView bytes) {
    Scan scan;
    for (qsizetype i = 0; i < bytes.size();) {
        const quint8 lead = quint8(bytes[i]);
        if (lead <= 0x80) {
            ++i;
            continue;
        }
        const quint8 trail = i + 1 < bytes.size() ? quint8(bytes[i + 1]) : 0;
        if (lead != 0xFF && trail >= 0x40 && trail != 0x7F && trail != 0xFF) {
            ++scan.multiByte;
            i += 2;
            continue;
        }
        if (scan.firstError < 0)
            scan.firstError = i;
        ++scan.errors;
        ++i;
    }
    return scan;
}

// Lines end in CRLF, LF or a lone CR, as in the CSV reader.
int lineAt(QByteArrayView bytes, qsizetype offset) {
    int line = 1;
    for (qsizetype i = 0; i < offset; ++i) {
        if (bytes[i] == '\n' || (bytes[i] == '\r' && (i + 1 >= bytes.size() || bytes[i + 1] != '\n')))
            ++line;
    }
    return line;
}

int lineAt(QStringView text, qsizetype offset) {
    int line = 1;
    for (qsizetype i = 0; i < offset; ++i) {
        if (text[i] == u'\n' || (text[i] == u'\r' && (i + 1 >= text.size() || text[i + 1] != u'\n')))
            ++line;
    }
    return line;
}

// Text with a byte-order mark: where the decoder met bytes it could not read, it left a replacement
// character.
CsvText decodeMarked(QStringDecoder::Encoding encoding, QByteArrayView bytes) {
    QStringDecoder decoder(encoding, QStringDecoder::Flag::Stateless);
    CsvText result{decoder.decode(bytes), 0};
    if (decoder.hasError()) {
        const qsizetype replaced = result.text.indexOf(QChar::ReplacementCharacter);
        result.undecodableLine = lineAt(result.text, replaced < 0 ? result.text.size() : replaced);
    }
    return result;
}

} // namespace

CsvText decodeCsv(QByteArrayView bytes) {
    static constexpr QByteArrayView utf8Bom("\xEF\xBB\xBF");
    static constexpr QByteArrayView utf16LeBom("\xFF\xFE");
    static constexpr QByteArrayView utf16BeBom("\xFE\xFF");
    if (startsWith(bytes, utf8Bom))
        return decodeMarked(QStringDecoder::Utf8, bytes.sliced(utf8Bom.size()));
    if (startsWith(bytes, utf16LeBom))
        return decodeMarked(QStringDecoder::Utf16LE, bytes.sliced(utf16LeBom.size()));
    if (startsWith(bytes, utf16BeBom))
        return decodeMarked(QStringDecoder::Utf16BE, bytes.sliced(utf16BeBom.size()));

    const Scan utf8 = scanUtf8(bytes);
    QStringDecoder utf8Decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    if (utf8.errors == 0)
        return {utf8Decoder.decode(bytes), 0};
    const Scan gbk = scanGbk(bytes);
    // GBK text is hardly ever valid UTF-8 for more than a character or two, while a UTF-8 file with a
    // few damaged bytes still holds far more valid characters than damaged ones.
    const bool looksLikeUtf8 = utf8.multiByte > utf8.errors;
    // Without GBK the text keeps replacement characters where the user sees them.
    if (looksLikeUtf8 || !code_page::gbkAvailable())
        return {utf8Decoder.decode(bytes), lineAt(bytes, utf8.firstError)};
    return {code_page::gbkText(bytes), gbk.errors == 0 ? 0 : lineAt(bytes, gbk.firstError)};
}

QString decodeCsvText(QByteArrayView bytes) {
    return decodeCsv(bytes).text;
}

bool isPlainText(QStringView text) {
    for (const QChar c : text) {
        if (c.unicode() < 0x20 && c != u'\t' && c != u'\n' && c != u'\r')
            return false;
    }
    return true;
}

} // namespace fenban::exchange
