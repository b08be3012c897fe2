#include "exchange/pinyin/pinyin.h"

#include "exchange/codepage/code_page.h"
#include "exchange/pinyin/pinyin_table.h"

#include <QtGlobal>

#include <iterator>
#include <string_view>

namespace fenban::exchange {

namespace {

using namespace detail;

constexpr unsigned numberedRow = 0xA2;
constexpr unsigned fullWidthRow = 0xA3;
constexpr unsigned greekRow = 0xA6;
// In the numbered and full-width rows, symbols start at this trail byte.
constexpr unsigned symbolTrailFirst = 0xA1;

bool isAsciiLetterOrDigit(unsigned c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

char upper(unsigned c) {
    return static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
}

// A lead byte of 0xFF or a trail byte of 0xFF does not occur in GBK; taking such bytes for a pair
// would read past the code index, so they stand alone like any other stray byte.
bool startsPair(unsigned b, unsigned n) {
    return b >= pinyinLeadFirst && b <= pinyinLeadLast && n >= pinyinTrailFirst && n <= pinyinTrailLast;
}

// The number shown by a symbol of the numbered row, 0 for the trail bytes that show none.
unsigned numberedSymbol(unsigned trail) {
    struct Run {
        unsigned first;
        unsigned last;
    };
    // ⅰ-ⅹ, ⒈-⒛, ⑴-⒇, ①-⑩, ㈠-㈩, Ⅰ-Ⅻ
    static constexpr Run runs[] = {{0xA1, 0xAA}, {0xB1, 0xC4}, {0xC5, 0xD8},
                                   {0xD9, 0xE2}, {0xE5, 0xEE}, {0xF1, 0xFC}};
    for (const Run &run : runs) {
        if (trail >= run.first && trail <= run.last) {
            return trail - run.first + 1;
        }
    }
    return 0;
}

// Latin rendering of a Greek letter; capitals and small letters share their position.
std::string_view greekLetter(unsigned trail) {
    static constexpr std::string_view letters[] = {"A", "B", "G", "D", "E",  "Z",  "E",  "TH",
                                                   "I", "K", "L", "M", "N",  "X",  "O",  "P",
                                                   "R", "S", "T", "U", "PH", "KH", "PS", "O"};
    constexpr unsigned count = std::size(letters);
    if (trail >= 0xA1 && trail < 0xA1 + count) {
        return letters[trail - 0xA1];
    }
    if (trail >= 0xC1 && trail < 0xC1 + count) {
        return letters[trail - 0xC1];
    }
    return {};
}

void appendWithoutReading(QByteArray &out, int flags) {
    if (flags & UnknownAsQuestionMark) {
        out += '?';
    }
}

void appendIndexed(QByteArray &out, unsigned lead, unsigned trail, int flags) {
    const int number = pinyinIndex[(lead - pinyinLeadFirst) * pinyinTrailCount + (trail - pinyinTrailFirst)];
    if (number <= 0 || number > pinyinSyllableCount) {
        appendWithoutReading(out, flags);
        return;
    }
    const std::string_view syllable(pinyinSyllables[number],
                                    qstrnlen(pinyinSyllables[number], pinyinSyllableWidth));
    for (const char letter : (flags & WholeSyllable) ? syllable : syllable.substr(0, 1)) {
        out += upper(static_cast<unsigned char>(letter));
    }
}

void appendPair(QByteArray &out, unsigned lead, unsigned trail, int flags) {
    if (lead == numberedRow) {
        if (trail < symbolTrailFirst) {
            appendWithoutReading(out, flags);
        } else if (const unsigned number = numberedSymbol(trail); number != 0) {
            out += QByteArray::number(number);
        }
        return;
    }
    if (lead == fullWidthRow) {
        // Below 0xA1 the row is unassigned; subtracting 0x80 there would yield control bytes.
        if (trail < symbolTrailFirst) {
            appendWithoutReading(out, flags);
            return;
        }
        const unsigned ascii = trail - 0x80;
        if (isAsciiLetterOrDigit(ascii) || (flags & KeepSymbols)) {
            out += static_cast<char>(ascii);
        }
        return;
    }
    if (lead == greekRow) {
        if (const std::string_view letter = greekLetter(trail); !letter.empty()) {
            out.append(letter.data(), static_cast<qsizetype>(letter.size()));
            return;
        }
    }
    appendIndexed(out, lead, trail, flags);
}

// Whether GBK can be converted here at all. Checked once, with one warning.
bool gbkAvailable() {
    static const bool available = [] {
        const bool valid = code_page::gbkAvailable();
        if (!valid) {
            qWarning("GBK conversion is unavailable in this Qt build; names outside ASCII get no pinyin");
        }
        return valid;
    }();
    return available;
}

// The GBK bytes of one character, "?" when GBK has no exact code for it. Each character is converted
// on its own, so that a stray surrogate or an earlier failure cannot affect the next character.
QByteArray gbkCharacter(QStringView character) {
    const QByteArray unrepresentable("?");
    if (!gbkAvailable()) {
        const bool ascii = character.size() == 1 && character.front().unicode() < 0x80;
        return ascii ? QByteArray(1, static_cast<char>(character.front().unicode())) : unrepresentable;
    }
    return code_page::gbkBytes(character).value_or(unrepresentable);
}

} // namespace

QByteArray getPinyin(QByteArrayView gbkText, int flags, int maxLength) {
    QByteArray result;
    if (flags < 0 || maxLength <= 0) {
        return result;
    }
    const qsizetype size = gbkText.size();
    for (qsizetype i = 0; i < size;) {
        const unsigned b = static_cast<unsigned char>(gbkText[i]);
        const unsigned n = i + 1 < size ? static_cast<unsigned char>(gbkText[i + 1]) : 0;
        if (startsPair(b, n)) {
            appendPair(result, b, n, flags);
            i += 2;
            continue;
        }
        if (isAsciiLetterOrDigit(b) || (flags & KeepSymbols)) {
            result += upper(b);
        }
        ++i;
    }
    if (result.size() > maxLength) {
        result.truncate(maxLength);
    }
    return result;
}

QString pinyinName(const QString &name) {
    QString value;
    for (qsizetype i = 0; i < name.size();) {
        const qsizetype length =
            name[i].isHighSurrogate() && i + 1 < name.size() && name[i + 1].isLowSurrogate() ? 2 : 1;
        const QString piece = QString::fromLatin1(
            getPinyin(gbkCharacter(QStringView(name).sliced(i, length)), WholeSyllable, 255));
        if (value.isEmpty()) {
            value = piece;
        } else {
            value += QLatin1Char(' ') + piece;
        }
        i += length;
    }
    return value;
}

} // namespace fenban::exchange
