#include "exchange/codepage/code_page.h"
#include "exchange/pinyin/pinyin.h"

#include "support/qt_printers.h"

#include <gtest/gtest.h>

#include <climits>
#include <initializer_list>
#include <optional>
#include <string>

namespace {

using namespace fenban::exchange;
using namespace Qt::StringLiterals;

QByteArray bytes(std::initializer_list<int> values) {
    QByteArray out;
    for (const int value : values) {
        out += static_cast<char>(value);
    }
    return out;
}

// Test input is written as text; the platform's converter supplies the GBK bytes.
QByteArray gbk(const QString &text) {
    const std::optional<QByteArray> out = code_page::gbkBytes(text);
    EXPECT_TRUE(out) << text.toStdString();
    return out.value_or(QByteArray());
}

std::string pinyin(const QByteArray &text, int flags, int maxLength = 255) {
    return getPinyin(text, flags, maxLength).toStdString();
}

bool isSyllable(const std::string &text) {
    if (text.empty() || text.size() > 6) {
        return false;
    }
    for (const char c : text) {
        if (c < 'A' || c > 'Z') {
            return false;
        }
    }
    return true;
}

// ---- Readings of Chinese characters

TEST(PinyinReadings, NamedCharactersGiveTheirCustomaryReading) {
    struct Case {
        const char16_t *character;
        const char *syllable;
    };
    const Case cases[] = {{u"中", "ZHONG"}, {u"张", "ZHANG"}, {u"李", "LI"}, {u"行", "HANG"},
                          {u"长", "ZHANG"}, {u"重", "ZHONG"}, {u"乐", "LE"}, {u"单", "DAN"},
                          {u"吕", "LV"},    {u"女", "NV"}};
    for (const Case &c : cases) {
        const QString character = QString::fromUtf16(c.character);
        SCOPED_TRACE(character.toStdString());
        EXPECT_EQ(pinyin(gbk(character), WholeSyllable), c.syllable);
        EXPECT_EQ(pinyin(gbk(character), 0), std::string(1, c.syllable[0]));
        EXPECT_EQ(pinyinName(character), QString::fromLatin1(c.syllable));
    }
}

// Characters at the corners of the index catch a wrong row width or row origin.
TEST(PinyinReadings, CodesAtTheEdgesOfIndexRowsFindTheirCharacter) {
    struct Case {
        int lead;
        int trail;
        const char *syllable;
    };
    const Case cases[] = {
        {0x81, 0x40, "KAO"}, // 丂, the first pair of all
        {0x81, 0x7E, "SHI"}, // 亊, just before the unused trail 0x7F
        {0x81, 0x80, "YU"},  // 亐, just after it
        {0xA0, 0xFE, "BO"},  // 狛, last trail byte of the last row before the symbol rows
        {0xAA, 0x40, "KU"},  // 狜, first character after the symbol rows
        {0xB0, 0xA1, "A"},   // 啊, first character of the GB2312 area
        {0xD7, 0xF9, "ZUO"}, // 座, last character of a row that ends early
        {0xF7, 0xFE, "ZHA"}, // 齄, last character of the GB2312 area
        {0xFD, 0x9B, "YU"},  // 龥, among the last characters of the top rows
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.lead << ' ' << c.trail);
        EXPECT_EQ(pinyin(bytes({c.lead, c.trail}), WholeSyllable), c.syllable);
        EXPECT_EQ(pinyin(bytes({c.lead, c.trail}), 0), std::string(1, c.syllable[0]));
    }
}

TEST(PinyinReadings, EveryGb2312CharacterHasOneSyllable) {
    for (int lead = 0xB0; lead <= 0xF7; ++lead) {
        for (int trail = 0xA1; trail <= 0xFE; ++trail) {
            if (lead == 0xD7 && trail >= 0xFA) {
                continue; // unassigned in GB2312
            }
            const QByteArray character = bytes({lead, trail});
            const std::string whole = pinyin(character, WholeSyllable | UnknownAsQuestionMark);
            ASSERT_TRUE(isSyllable(whole)) << std::hex << lead << ' ' << trail << ": " << whole;
            ASSERT_EQ(pinyin(character, UnknownAsQuestionMark), whole.substr(0, 1))
                << std::hex << lead << trail;
        }
    }
}

TEST(PinyinReadings, CodesOutsideTheCharacterAreasHaveNoReading) {
    auto expectNoReading = [](int lead, int trail) {
        const QByteArray code = bytes({lead, trail});
        ASSERT_EQ(pinyin(code, WholeSyllable), "") << std::hex << lead << ' ' << trail;
        ASSERT_EQ(pinyin(code, WholeSyllable | UnknownAsQuestionMark), "?")
            << std::hex << lead << ' ' << trail;
    };
    // Symbol rows other than the numbered, full-width and Greek rows.
    for (const int lead : {0xA1, 0xA4, 0xA5, 0xA7, 0xA8, 0xA9}) {
        for (int trail = 0x40; trail <= 0xFE; ++trail) {
            expectNoReading(lead, trail);
        }
    }
    // User-defined areas.
    for (int lead = 0x81; lead <= 0xFE; ++lead) {
        for (int trail = 0x40; trail <= 0xFE; ++trail) {
            const bool userDefined = (lead >= 0xAA && lead <= 0xAF && trail >= 0xA1) ||
                                     (lead >= 0xF8 && trail >= 0xA1) ||
                                     (lead >= 0xA1 && lead <= 0xA7 && trail <= 0xA0 && lead != 0xA3);
            if (userDefined || trail == 0x7F) {
                expectNoReading(lead, trail);
            }
        }
    }
}

// ---- Symbol rows

TEST(PinyinSymbols, NumberedSymbolsGiveTheNumberTheyShow) {
    struct Case {
        int trail;
        const char *text;
    };
    const Case cases[] = {
        {0xA1, "1"}, {0xAA, "10"}, {0xAB, ""}, // ⅰ ⅹ, then a gap
        {0xB1, "1"}, {0xC4, "20"},             // ⒈ ⒛
        {0xC5, "1"}, {0xD8, "20"},             // ⑴ ⒇
        {0xD9, "1"}, {0xE2, "10"}, {0xE3, ""}, // ① ⑩
        {0xE5, "1"}, {0xEE, "10"}, {0xF0, ""}, // ㈠ ㈩
        {0xF1, "1"}, {0xFC, "12"}, {0xFE, ""}, // Ⅰ Ⅻ
    };
    for (const Case &c : cases) {
        for (const int flags : {0, 1, 3, 7}) {
            EXPECT_EQ(pinyin(bytes({0xA2, c.trail}), flags), c.text)
                << std::hex << c.trail << " flags " << flags;
        }
    }
    EXPECT_EQ(pinyin(gbk(u"①"_s), WholeSyllable), "1");
    EXPECT_EQ(pinyin(gbk(u"⑩"_s), WholeSyllable), "10");
    EXPECT_EQ(pinyin(bytes({0xA2, 0xA0}), WholeSyllable), "");
    EXPECT_EQ(pinyin(bytes({0xA2, 0xA0}), WholeSyllable | UnknownAsQuestionMark), "?");
}

TEST(PinyinSymbols, FullWidthSignsBecomeTheirAsciiCounterpart) {
    struct Case {
        QByteArray text;
        int flags;
        const char *expected;
    };
    const Case cases[] = {
        {gbk(u"ａ"_s), WholeSyllable, "a"}, // keeps its case, unlike a single-byte letter
        {gbk(u"Ａ"_s), WholeSyllable, "A"},
        {gbk(u"９"_s), 0, "9"},
        {gbk(u"（"_s), WholeSyllable, ""},
        {gbk(u"（"_s), WholeSyllable | UnknownAsQuestionMark, ""}, // a sign, not a missing reading
        {gbk(u"（"_s), WholeSyllable | KeepSymbols, "("},
        {gbk(u"＃"_s), KeepSymbols, "#"},
        {bytes({0xA3, 0xFE}), KeepSymbols, "~"}, // the last code of the row
        // Unassigned codes of the row must not turn into control bytes.
        {bytes({0xA3, 0x80}), KeepSymbols, ""},
        {bytes({0xA3, 0x40}), KeepSymbols | UnknownAsQuestionMark, "?"},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(pinyin(c.text, c.flags), c.expected)
            << c.text.toHex().toStdString() << " flags " << c.flags;
    }
}

TEST(PinyinSymbols, GreekLettersGiveTheirLatinRendering) {
    struct Case {
        const char16_t *letter;
        const char *text;
    };
    const Case cases[] = {{u"Α", "A"},  {u"α", "A"}, {u"Γ", "G"},  {u"Η", "E"},  {u"θ", "TH"},
                          {u"Θ", "TH"}, {u"Ξ", "X"}, {u"φ", "PH"}, {u"χ", "KH"}, {u"Ψ", "PS"},
                          {u"ψ", "PS"}, {u"Ω", "O"}, {u"ω", "O"},  {u"υ", "U"}};
    for (const Case &c : cases) {
        const QString letter = QString::fromUtf16(c.letter);
        SCOPED_TRACE(letter.toStdString());
        // Whole rendering whatever the flags: it is not a syllable.
        EXPECT_EQ(pinyin(gbk(letter), 0), c.text);
        EXPECT_EQ(pinyin(gbk(letter), WholeSyllable), c.text);
    }
    // Between and after the two alphabets the row has no reading.
    for (const int trail : {0x40, 0xB9, 0xC0, 0xD9, 0xFE}) {
        EXPECT_EQ(pinyin(bytes({0xA6, trail}), WholeSyllable), "") << std::hex << trail;
        EXPECT_EQ(pinyin(bytes({0xA6, trail}), WholeSyllable | UnknownAsQuestionMark), "?")
            << std::hex << trail;
    }
}

// ---- Single bytes, flags and length

TEST(PinyinText, SingleBytesAndMixedText) {
    struct Case {
        QByteArray text;
        int flags;
        const char *expected;
    };
    const Case cases[] = {
        {"ab-1", WholeSyllable, "AB1"},
        {"ab-1", WholeSyllable | KeepSymbols, "AB-1"},
        {"ab-1", UnknownAsQuestionMark, "AB1"}, // flag 2 concerns double-byte characters only
        {" x y ", KeepSymbols, " X Y "},
        {gbk(u"中a①（李"_s), WholeSyllable, "ZHONGA1LI"},
        {gbk(u"中a①（李"_s), 0, "ZA1L"},
        {gbk(u"中a①（李"_s), KeepSymbols, "ZA1(L"},
        {gbk(u"张三"_s), WholeSyllable | UnknownAsQuestionMark | KeepSymbols, "ZHANGSAN"},
        {"", 7, ""},
        // A lead byte without a trail byte stands alone.
        {bytes({0xD6}), WholeSyllable | UnknownAsQuestionMark, ""},
        {bytes({0xD6, '1'}), WholeSyllable, "1"},
        {bytes({0xD6, 0xD0, 0xD6}), WholeSyllable, "ZHONG"},
        // 0xFF is neither a lead nor a trail byte, so the letter after it is not swallowed.
        {bytes({0xFF, 'a'}), WholeSyllable | UnknownAsQuestionMark, "A"},
        {bytes({0xD6, 0xFF, 'a'}), WholeSyllable | UnknownAsQuestionMark, "A"},
        {bytes({0xFE, 0xFF, 0xFF, 0xFE}), WholeSyllable | UnknownAsQuestionMark, ""},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(pinyin(c.text, c.flags), c.expected)
            << c.text.toHex().toStdString() << " flags " << c.flags;
    }
}

TEST(PinyinText, NegativeFlagSetGivesNothing) {
    for (const int flags : {-1, -4, INT_MIN}) {
        for (const QByteArray &text : {QByteArray("ab-1"), gbk(u"张三①"_s)}) {
            EXPECT_EQ(pinyin(text, flags), "") << flags;
        }
    }
}

TEST(PinyinText, GreatestLengthCutsTheResult) {
    const QByteArray name = gbk(u"张三"_s);
    struct Case {
        int maxLength;
        const char *expected;
    };
    const Case cases[] = {{3, "ZHA"}, {5, "ZHANG"}, {8, "ZHANGSAN"}, {255, "ZHANGSAN"}, {0, ""}, {-1, ""}};
    for (const Case &c : cases) {
        EXPECT_EQ(pinyin(name, WholeSyllable, c.maxLength), c.expected) << c.maxLength;
    }
}

// ---- Stored form of a name

struct NameCase {
    QString name;
    QString expected;
};

void expectNames(std::initializer_list<NameCase> cases) {
    for (const NameCase &c : cases) {
        EXPECT_EQ(pinyinName(c.name), c.expected) << "name \"" << c.name.toStdString() << '"';
    }
}

TEST(PinyinName, PiecesAreJoinedBySingleBlanks) {
    expectNames({
        {u"张三"_s, u"ZHANG SAN"_s},
        {u"Tom"_s, u"T O M"_s},
        {u"吕女"_s, u"LV NV"_s},
        {u"3班"_s, u"3 BAN"_s},
        {u"ａ王①θ"_s, u"a WANG 1 TH"_s},
        {QString(), QString()},
    });
}

TEST(PinyinName, EmptyPiecesAddABlankOnlyOnceTheValueHasBegun) {
    expectNames({
        {u"李 四"_s, u"LI  SI"_s},
        {u" 王五"_s, u"WANG WU"_s},
        {u"王五 "_s, u"WANG WU "_s},
        {u"  王五  "_s, u"WANG WU  "_s},
        {u"王-五"_s, u"WANG  WU"_s},
        {u"   "_s, QString()},
    });
}

TEST(PinyinName, CharactersGbkCannotRepresentAreDropped) {
    const QString loneSurrogate(QChar(0xD800));
    expectNames({
        {u"王한五"_s, u"WANG  WU"_s},
        {u"한王"_s, u"WANG"_s},
        // A character outside the BMP is one character, so it leaves one empty piece, not two.
        {u"王😀五"_s, u"WANG  WU"_s},
        {u"王𠀀五"_s, u"WANG  WU"_s},
        {u"王"_s + loneSurrogate + u"五"_s, u"WANG  WU"_s},
        {u"王"_s + loneSurrogate, u"WANG "_s},
        // The question mark standing in for such a character is itself dropped.
        {u"王?五"_s, u"WANG  WU"_s},
    });
}

} // namespace
