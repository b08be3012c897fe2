#include "cli/tab_separated.h"

namespace fenban::cli {

QString escapedField(const QString &field) {
    QString escaped;
    escaped.reserve(field.size());
    for (const QChar character : field) {
        const char16_t c = character.unicode();
        switch (c) {
        case u'\\':
            escaped += QStringLiteral("\\\\");
            break;
        case u'\t':
            escaped += QStringLiteral("\\t");
            break;
        case u'\n':
            escaped += QStringLiteral("\\n");
            break;
        case u'\r':
            escaped += QStringLiteral("\\r");
            break;
        default:
            // U+2028 and U+2029 end a line for some readers as well.
            if (c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x2028 || c == 0x2029)
                escaped += QStringLiteral("\\u%1").arg(static_cast<int>(c), 4, 16, QLatin1Char('0'));
            else
                escaped += character;
        }
    }
    return escaped;
}

QString tabSeparatedLine(const QStringList &fields) {
    QStringList escaped;
    escaped.reserve(fields.size());
    for (const QString &field : fields)
        escaped.append(escapedField(field));
    return escaped.join(QLatin1Char('\t'));
}

} // namespace fenban::cli
