#include "exchange/sheets/csv_text.h"

#include <QStringDecoder>

namespace fenban::exchange {

namespace {

bool startsWith(QByteArrayView bytes, QByteArrayView prefix) {
    return bytes.size() >= prefix.size() && bytes.first(prefix.size()) == prefix;
}

QString decodeWith(QStringDecoder &&decoder, QByteArrayView bytes) {
    return decoder.decode(bytes);
}

} // namespace

QString decodeCsvText(QByteArrayView bytes) {
    static constexpr QByteArrayView utf8Bom("\xEF\xBB\xBF");
    static constexpr QByteArrayView utf16LeBom("\xFF\xFE");
    static constexpr QByteArrayView utf16BeBom("\xFE\xFF");
    if (startsWith(bytes, utf8Bom))
        return decodeWith(QStringDecoder(QStringDecoder::Utf8), bytes.sliced(utf8Bom.size()));
    if (startsWith(bytes, utf16LeBom))
        return decodeWith(QStringDecoder(QStringDecoder::Utf16LE), bytes.sliced(utf16LeBom.size()));
    if (startsWith(bytes, utf16BeBom))
        return decodeWith(QStringDecoder(QStringDecoder::Utf16BE), bytes.sliced(utf16BeBom.size()));

    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    QStringDecoder gbk("GBK");
    // A Qt built without ICU knows no GBK; the text then keeps replacement characters where the user sees
    // them.
    if (!gbk.isValid())
        return text;
    return gbk.decode(bytes);
}

bool isPlainText(QStringView text) {
    for (const QChar c : text) {
        if (c.unicode() < 0x20 && c != u'\t' && c != u'\n' && c != u'\r')
            return false;
    }
    return true;
}

} // namespace fenban::exchange
