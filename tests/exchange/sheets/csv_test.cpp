#include "exchange/codepage/code_page.h"
#include "exchange/sheets/csv_reader.h"
#include "exchange/sheets/csv_text.h"
#include "sheet_test_data.h"
#include "support/qt_printers.h"

#include <gtest/gtest.h>

#include <QStringEncoder>

namespace fenban::exchange {
namespace {

using namespace Qt::StringLiterals;
using testing::dump;
using testing::sheetOf;

struct SplitCase {
    const char *name;
    QString text;
    QList<QStringList> rows;
};

void PrintTo(const SplitCase &c, std::ostream *out) {
    *out << c.name;
}

class CsvSplitTest : public ::testing::TestWithParam<SplitCase> {};

TEST_P(CsvSplitTest, SplitsAsSpreadsheetProgramsWriteIt) {
    const sheet_limits::Parsed<SheetData> sheet = parseCsv(GetParam().text);
    ASSERT_TRUE(sheet);
    EXPECT_EQ(*sheet, sheetOf(GetParam().rows)) << dump(*sheet).toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Csv, CsvSplitTest,
    ::testing::Values(
        SplitCase{"crlf", u"a,b\r\nc,d\r\n"_s, {{u"a"_s, u"b"_s}, {u"c"_s, u"d"_s}}},
        SplitCase{"lf", u"a,b\nc,d\n"_s, {{u"a"_s, u"b"_s}, {u"c"_s, u"d"_s}}},
        SplitCase{"lone cr", u"a,b\rc,d"_s, {{u"a"_s, u"b"_s}, {u"c"_s, u"d"_s}}},
        SplitCase{"no final line break", u"a\r\nb"_s, {{u"a"_s}, {u"b"_s}}},
        SplitCase{"quoted comma", u"\"a,b\",c"_s, {{u"a,b"_s, u"c"_s}}},
        SplitCase{"doubled quote", u"\"新城路\"\"8\"\"号\",x"_s, {{u"新城路\"8\"号"_s, u"x"_s}}},
        SplitCase{"quoted line breaks kept as written",
                  u"\"a\r\nb\nc\",d\r\ne"_s,
                  {{u"a\r\nb\nc"_s, u"d"_s}, {u"e"_s}}},
        SplitCase{"quoted empty field", u"\"\",x"_s, {{{}, u"x"_s}}},
        SplitCase{"blanks and leading zeros kept", u" 女 ,0101, "_s, {{u" 女 "_s, u"0101"_s, u" "_s}}},
        SplitCase{"quote inside unquoted text", u"O'Brien,5'6\""_s, {{u"O'Brien"_s, u"5'6\""_s}}},
        SplitCase{"text after a closing quote", u"\"ab\"cd,e"_s, {{u"abcd"_s, u"e"_s}}},
        SplitCase{"unclosed quote runs to the end", u"a,\"b,c\r\nd"_s, {{u"a"_s, u"b,c\r\nd"_s}}},
        SplitCase{"empty lines keep their row", u"a\r\n\r\n,,\r\nb\r\n"_s, {{u"a"_s}, {}, {}, {u"b"_s}}},
        SplitCase{"trailing comma", u"a,\r\n"_s, {{u"a"_s}}}, SplitCase{"nothing", QString(), {}}));

struct EncodingCase {
    const char *name;
    QByteArray bytes;
    QString text;
};

void PrintTo(const EncodingCase &c, std::ostream *out) {
    *out << c.name;
}

QByteArray encoded(const char *encoding, const QString &text) {
    QStringEncoder encoder(encoding);
    return encoder.encode(text);
}

// GBK as the platform's own converter writes it; Qt knows GBK only where it has ICU.
QByteArray gbk(const QString &text) {
    return code_page::gbkBytes(text).value_or(QByteArray());
}

class CsvEncodingTest : public ::testing::TestWithParam<EncodingCase> {};

TEST_P(CsvEncodingTest, DecodesByMarkOrByContent) {
    const CsvText decoded = decodeCsv(GetParam().bytes);
    EXPECT_EQ(decoded.text, GetParam().text);
    EXPECT_EQ(decoded.undecodableLine, 0);
}

const QString sample = u"学号,姓名\r\n20260001,张三 €\r\n"_s;

INSTANTIATE_TEST_SUITE_P(
    Csv, CsvEncodingTest,
    ::testing::Values(EncodingCase{"utf8", sample.toUtf8(), sample},
                      EncodingCase{"utf8 with mark", "\xEF\xBB\xBF" + sample.toUtf8(), sample},
                      EncodingCase{"gbk", gbk(sample), sample},
                      EncodingCase{"utf16le with mark", "\xFF\xFE" + encoded("UTF-16LE", sample), sample},
                      EncodingCase{"utf16be with mark", "\xFE\xFF" + encoded("UTF-16BE", sample), sample},
                      // Plain ASCII is the same in every one of them.
                      EncodingCase{"ascii", "a,b\r\n", u"a,b\r\n"_s},
                      // The whole file decides, not its start.
                      EncodingCase{"gbk after a long ascii start", QByteArray(100000, 'a') + gbk(u"李四"_s),
                                   QString(100000, u'a') + u"李四"_s},
                      EncodingCase{"gbk euro sign and a two-byte character at the very end", gbk(u"€,张"_s),
                                   u"€,张"_s}));

struct UndecodableCase {
    const char *name;
    QByteArray bytes;
    int line;
};

void PrintTo(const UndecodableCase &c, std::ostream *out) {
    *out << c.name;
}

class CsvUndecodableTest : public ::testing::TestWithParam<UndecodableCase> {};

// Neither encoding reads these cleanly; the first line that does not fit is the one to name.
TEST_P(CsvUndecodableTest, NamesTheFirstLineThatDoesNotDecode) {
    EXPECT_EQ(decodeCsv(GetParam().bytes).undecodableLine, GetParam().line);
}

const QByteArray utf8Lines = u"学号,姓名\r\n20260001,张三\r\n20260002,李四\r\n"_s.toUtf8();

INSTANTIATE_TEST_SUITE_P(
    Csv, CsvUndecodableTest,
    ::testing::Values(
        // The bytes of UTF-8 Chinese text are mostly valid GBK as well: read as GBK, one stray byte
        // would garble every name without a word.
        UndecodableCase{"utf8 with one stray byte",
                        QByteArray(utf8Lines).insert(utf8Lines.indexOf("李"), '\xFF'), 3},
        UndecodableCase{"utf8 cut inside its last character", utf8Lines + QByteArray("\xE5\xBC"), 4},
        UndecodableCase{"gbk with a byte gbk never uses", gbk(u"张三\n李四\r王五"_s) + '\xFF', 3},
        UndecodableCase{"gbk cut after a lead byte", gbk(u"a\nb\n张"_s).chopped(1), 3},
        UndecodableCase{"utf8 with mark and a stray byte", "\xEF\xBB\xBF" + utf8Lines + '\xFF', 4}));

} // namespace
} // namespace fenban::exchange
