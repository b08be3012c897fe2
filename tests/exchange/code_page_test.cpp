#include "exchange/codepage/code_page.h"
#include "exchange/pinyin/pinyin.h"
#include "exchange/sheets/csv_text.h"
#include "exchange/sheets/sheet.h"
#include "support/qt_printers.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <optional>

namespace {

namespace code_page = fenban::exchange::code_page;
using namespace Qt::StringLiterals;

// The bytes are written out by hand, so that no converter of the platform under test supplies them.
QByteArray hex(const char *digits) {
    return QByteArray::fromHex(digits);
}

std::string shown(const std::optional<QByteArray> &bytes) {
    return bytes ? bytes->toHex(' ').toStdString() : std::string("none");
}

TEST(CodePage, GbkIsAvailable) {
    EXPECT_TRUE(code_page::gbkAvailable());
}

TEST(CodePage, GbkBytesAreExactOrNone) {
    const struct {
        QString text;
        std::optional<QByteArray> bytes;
    } cases[] = {
        {u"张三"_s, hex("d5c5c8fd")},
        {u"欧阳〇"_s, hex("c5b7d1f4a996")},
        {u"阿依古丽·买买提"_s, hex("b0a2d2c0b9c5c0f6a1a4c2f2c2f2cce1")},
        {u"Tom 3班"_s, hex("546f6d2033b0e0")},
        {u"€"_s, hex("80")},
        {u"—"_s, hex("a1aa")},
        {QString(), QByteArray()},
        // The stray byte 0xFF reads as this private-use character, and back.
        {QString(QChar(0xF8F5)), hex("ff")},
        // Outside GBK: a character only GB18030 has, one outside the BMP, Korean, a lone surrogate.
        {u"𠀀"_s, std::nullopt},
        {u"😀"_s, std::nullopt},
        {u"한"_s, std::nullopt},
        {QString(QChar(0xD800)), std::nullopt},
        {u"王𠀀五"_s, std::nullopt},
        // GBK has only look-alikes for these: a Japanese middle dot, an accented letter, the yen sign.
        {u"・"_s, std::nullopt},
        {u"ǹ"_s, std::nullopt},
        {u"¥"_s, std::nullopt},
    };
    for (const auto &c : cases)
        EXPECT_EQ(shown(code_page::gbkBytes(c.text)), shown(c.bytes)) << c.text.toStdString();
}

TEST(CodePage, GbkTextReplacesWhatDoesNotFit) {
    const QChar replacement = QChar::ReplacementCharacter;
    const struct {
        const char *bytes;
        QString text;
    } cases[] = {
        {"d5c5c8fd", u"张三"_s},
        {"a996a1a1", u"〇\u3000"_s},
        {"80d5c5", u"€张"_s},
        {"", QString()},
        // A lead byte whose next byte cannot trail it: the next byte is read on its own.
        {"8130", QString(replacement) + u"0"_s},
        {"817f41", QString(replacement) + QChar(0x7F) + u"A"_s},
        {"d5ffd5c5", QString(replacement) + QChar(0xF8F5) + u"张"_s},
        // A pair cut off at the very end.
        {"d5c5d5", u"张"_s},
    };
    for (const auto &c : cases)
        EXPECT_EQ(code_page::gbkText(hex(c.bytes)), c.text) << c.bytes;
}

TEST(CodePage, WindowsCodePagesByNumber) {
    const struct {
        int codePage;
        const char *bytes;
        QString text;
    } cases[] = {
        {1252, "80e9", u"€é"_s},
        {936, "d5c5c8fd", u"张三"_s},
        {10000, "80a5", u"Ä•"_s},
        {1251, "c0", u"А"_s},
        // Unknown numbers read as Latin-1, and none of them stands for this computer's own code page.
        {99999, "80e9", u"\u0080é"_s},
        {0, "80e9", u"\u0080é"_s},
        {-1, "80e9", u"\u0080é"_s},
    };
    for (const auto &c : cases)
        EXPECT_EQ(code_page::windowsCodePageText(c.codePage, hex(c.bytes)), c.text) << c.codePage;
}

// Homophones are found by these readings, so they must come out the same on every system.
TEST(CodePage, PinyinOfNamesGoesThroughGbk) {
    const struct {
        QString name;
        QString pinyin;
    } cases[] = {
        {u"张三"_s, u"ZHANG SAN"_s},
        {u"欧阳〇"_s, u"OU YANG "_s},
        {u"阿依古丽·买买提"_s, u"A YI GU LI  MAI MAI TI"_s},
        {u"王𠀀五"_s, u"WANG  WU"_s},
    };
    for (const auto &c : cases)
        EXPECT_EQ(fenban::exchange::pinyinName(c.name), c.pinyin) << c.name.toStdString();
}

// 学号,姓名 / 20260001,张三 / 20260002,李四, as Excel on a Chinese Windows saves it.
const QByteArray gbkCrlfLines =
    hex("d1a7bac52cd0d5c3fb0d0a") + "20260001," + hex("d5c5c8fd0d0a") + "20260002," + hex("c0eecbc40d0a");

TEST(CodePage, GbkCsvWithCrlfLineEnds) {
    const fenban::exchange::CsvText decoded = fenban::exchange::decodeCsv(gbkCrlfLines);
    EXPECT_EQ(decoded.text, u"学号,姓名\r\n20260001,张三\r\n20260002,李四\r\n"_s);
    EXPECT_EQ(decoded.undecodableLine, 0);

    // A CRLF counts as one line end.
    QByteArray damaged = gbkCrlfLines;
    damaged.insert(damaged.indexOf(hex("c0ee")), '\xFF');
    EXPECT_EQ(fenban::exchange::decodeCsv(damaged).undecodableLine, 3);
}

TEST(CodePage, GbkCsvWithCrlfLineEndsImportsFromAFile) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(u"名单.csv"_s);
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_EQ(file.write(gbkCrlfLines), gbkCrlfLines.size());
    }
    const auto sheet = fenban::exchange::readFirstSheet(path);
    ASSERT_TRUE(sheet) << sheet.error().toStdString();
    EXPECT_EQ(sheet.value().rowCount(), 3);
    EXPECT_EQ(sheet.value().columnCount(), 2);
    EXPECT_EQ(sheet.value().cell(1, 2), u"姓名"_s);
    EXPECT_EQ(sheet.value().cell(2, 2), u"张三"_s);
    EXPECT_EQ(sheet.value().cell(3, 1), u"20260002"_s);
    EXPECT_EQ(sheet.value().cell(3, 2), u"李四"_s);
}

} // namespace
