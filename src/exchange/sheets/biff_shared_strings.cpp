#include "exchange/sheets/biff_shared_strings.h"

#include "exchange/sheets/biff_stream.h"

#include <algorithm>

namespace fenban::exchange::biff {

namespace {

constexpr quint8 hasPhoneticData = 0x04;
constexpr quint8 hasFormattingRuns = 0x08;

} // namespace

sheet_limits::Parsed<QList<QString>> readSharedStrings(const QList<QByteArrayView> &pieces) {
    using Strings = sheet_limits::Parsed<QList<QString>>;
    PieceReader reader(pieces);
    const std::optional<quint32> total = reader.u32();
    const std::optional<quint32> unique = reader.u32();
    QList<QString> strings;
    if (!total || !unique)
        return strings;
    if (*unique > quint32(sheet_limits::maxSharedStrings))
        return Strings::tooLarge(sheet_limits::Limit::SharedStrings);
    // The stated count comes from the file; each string takes at least three bytes.
    qsizetype size = 0;
    for (const QByteArrayView piece : pieces)
        size += piece.size();
    strings.reserve(std::min<qsizetype>(*unique, size / 3));
    sheet_limits::StringBudget budget;
    for (quint32 i = 0; i < *unique; ++i) {
        const std::optional<quint16> count = reader.u16();
        const std::optional<quint8> flags = reader.u8();
        if (!count || !flags)
            break;
        quint16 runs = 0;
        quint32 phonetic = 0;
        if (*flags & hasFormattingRuns) {
            const std::optional<quint16> value = reader.u16();
            if (!value)
                break;
            runs = *value;
        }
        if (*flags & hasPhoneticData) {
            const std::optional<quint32> value = reader.u32();
            if (!value)
                break;
            phonetic = *value;
        }
        std::optional<QString> text = reader.characters(*count, *flags);
        if (!text)
            break;
        if (!budget.take(text->size()))
            return Strings::tooLarge(*budget.passed());
        strings.append(std::move(*text));
        // The formatting and the phonetic reading are not part of the text.
        if (!reader.skip(qsizetype(runs) * 4) || !reader.skip(phonetic))
            break;
    }
    return strings;
}

} // namespace fenban::exchange::biff
