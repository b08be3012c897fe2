#include "exchange/sheets/biff_stream.h"
#include "support/qt_printers.h"

#include <gtest/gtest.h>

#include <bit>

namespace fenban::exchange::biff {
namespace {

using namespace Qt::StringLiterals;

struct RkCase {
    quint32 rk;
    double value;
};

class RkNumberTest : public ::testing::TestWithParam<RkCase> {};

TEST_P(RkNumberTest, DecodesTheCompactForm) {
    EXPECT_EQ(rkNumber(GetParam().rk), GetParam().value);
}

constexpr quint32 wholeRk(qint32 value, bool hundredths = false) {
    return (std::bit_cast<quint32>(value) << 2) | 0x02 | (hundredths ? 0x01 : 0x00);
}

constexpr quint32 doubleRk(double value, bool hundredths = false) {
    return quint32(std::bit_cast<quint64>(value) >> 32) | (hundredths ? 0x01 : 0x00);
}

INSTANTIATE_TEST_SUITE_P(Biff, RkNumberTest,
                         ::testing::Values(RkCase{wholeRk(85), 85}, RkCase{wholeRk(-3), -3},
                                           RkCase{wholeRk(9050, true), 90.5},
                                           RkCase{wholeRk(-30, true), -0.3},
                                           RkCase{wholeRk(20260001), 20260001}, RkCase{doubleRk(0.5), 0.5},
                                           RkCase{doubleRk(-2.5), -2.5},
                                           RkCase{doubleRk(1.25, true), 0.0125}));

// Older workbooks store eight-bit text in the code page their CODEPAGE record names.
TEST(CodePageText, ReadsTheWorkbooksCodePage) {
    const struct {
        int codePage;
        QByteArray bytes;
        QString text;
    } cases[] = {
        {936, QByteArray::fromHex("d5c5c8fd"), u"张三"_s},
        {1252, QByteArray::fromHex("80e9"), u"€é"_s},
        // Marks that stand for western text.
        {367, QByteArray::fromHex("80e9"), u"€é"_s},
        {1200, QByteArray::fromHex("80e9"), u"€é"_s},
        {32769, QByteArray::fromHex("80e9"), u"€é"_s},
        {32768, QByteArray::fromHex("80a5"), u"Ä•"_s}, // Mac Roman
        {1251, QByteArray::fromHex("c0"), u"А"_s},
        {12345, QByteArray::fromHex("80e9"), u"\u0080é"_s},
    };
    for (const auto &c : cases)
        EXPECT_EQ(codePageText(c.codePage, c.bytes), c.text) << c.codePage;
}

QByteArrayView bytes(const char *data, qsizetype size) {
    return QByteArrayView(data, size);
}

TEST(PieceReader, ContinuesCharactersWithTheNextPiecesFlag) {
    // "ab" in one-byte characters, then "张" in two-byte ones after the flag byte of the second piece.
    PieceReader reader({bytes("ab", 2), bytes("\x01\x20\x5F", 3), bytes("\x07", 1)});
    EXPECT_EQ(reader.characters(3, 0x00), u"ab张"_s);
    EXPECT_EQ(reader.u8(), quint8(7)) << "reading goes on after the string";
}

TEST(PieceReader, FailsRatherThanReadPastTheEnd) {
    PieceReader characters({bytes("ab", 2)});
    EXPECT_FALSE(characters.characters(3, 0x00));

    PieceReader halfCharacter({bytes("\x20", 1)});
    EXPECT_FALSE(halfCharacter.characters(1, 0x01));

    PieceReader splitNumber({bytes("\x01", 1), bytes("\x02", 1)});
    EXPECT_FALSE(splitNumber.u16()) << "a number never spans two records";

    PieceReader skipping({bytes("abc", 3), bytes("de", 2)});
    EXPECT_TRUE(skipping.skip(4)) << "formatting data may span records";
    EXPECT_FALSE(skipping.skip(2));

    PieceReader nothing({});
    EXPECT_FALSE(nothing.u8());
}

} // namespace
} // namespace fenban::exchange::biff
