#include "exchange/codepage/code_page.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace fenban::exchange::code_page {

// Qt converts GBK and the Windows code pages through ICU; a Qt built without ICU knows none of them.

bool gbkAvailable() {
    static const bool available = QStringEncoder("GBK").isValid();
    return available;
}

std::optional<QByteArray> gbkBytes(QStringView text) {
    if (!gbkAvailable())
        return std::nullopt;
    QStringEncoder encoder("GBK");
    const QByteArray bytes = encoder.encode(text);
    // The converter's substitute byte is its own choice, and a lone surrogate yields no bytes at all,
    // so only an exact round trip counts as representable.
    if (encoder.hasError() || (bytes.isEmpty() && !text.isEmpty()))
        return std::nullopt;
    QStringDecoder decoder("GBK");
    const QString back = decoder.decode(bytes);
    if (decoder.hasError() || back != text)
        return std::nullopt;
    return bytes;
}

QString gbkText(QByteArrayView bytes) {
    QStringDecoder decoder("GBK");
    return decoder.isValid() ? decoder.decode(bytes) : QString::fromLatin1(bytes);
}

QString windowsCodePageText(int codePage, QByteArrayView bytes) {
    // ICU knows Mac Roman only by its name.
    const QByteArray name = codePage == 10000 ? QByteArray("macintosh") : "CP" + QByteArray::number(codePage);
    QStringDecoder decoder(name.constData());
    return decoder.isValid() ? decoder.decode(bytes) : QString::fromLatin1(bytes);
}

} // namespace fenban::exchange::code_page
