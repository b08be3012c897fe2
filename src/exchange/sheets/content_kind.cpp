#include "exchange/sheets/content_kind.h"

#include "exchange/sheets/csv_text.h"

namespace fenban::exchange {

ContentKind classifyContent(QByteArrayView head) {
    static constexpr QByteArrayView oleMagic("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1");
    static constexpr QByteArrayView zipMagic("PK\x03\x04");
    if (head.startsWith(oleMagic))
        return ContentKind::OleContainer;
    if (head.startsWith(zipMagic))
        return ContentKind::ZipPackage;

    const QString text = decodeCsvText(head);
    if (!isPlainText(text))
        return ContentKind::Binary;
    // Web systems often hand out an HTML table named .xls; read as CSV it would become one column of tags.
    const QStringView start = QStringView(text).trimmed();
    if (start.startsWith(u'<'))
        return ContentKind::Markup;
    return ContentKind::Text;
}

} // namespace fenban::exchange
