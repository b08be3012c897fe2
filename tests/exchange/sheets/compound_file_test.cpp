// Our own reader of the .xls container: it gives what libgsf gives for every workbook at hand, reads every
// layout the format allows, and refuses damaged or mutated copies as damaged, without ever reading past the
// file. Run under the sanitizers, this also checks that it touches no memory it does not own.
#include "compound_writer.h"
#include "exchange/sheets/compound_file.h"
#include "exchange/sheets/ole_container.h"
#include "sheet_test_data.h"

#include <gtest/gtest.h>

#include <QDirIterator>
#include <QFile>
#include <QtEndian>

#include <functional>
#include <random>
#include <string>

namespace fenban::exchange {
namespace {

using testing::compoundFile;
using testing::CompoundLayout;
using testing::CompoundStream;
using testing::importFixture;
using xls::OleContents;
using Kind = OleContents::Kind;

std::string kindName(Kind kind) {
    switch (kind) {
    case Kind::Workbook:
        return "Workbook";
    case Kind::EncryptedPackage:
        return "EncryptedPackage";
    case Kind::NoWorkbook:
        return "NoWorkbook";
    case Kind::Damaged:
        return "Damaged";
    }
    return "?";
}

QByteArray fileBytes(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Every .xls of the tests and of the samples that ship with the program.
QStringList xlsFiles() {
    QStringList files;
    for (const char *folder : {FENBAN_TEST_DATA, FENBAN_SAMPLE_DATA}) {
        QDirIterator it(QString::fromUtf8(folder), {QStringLiteral("*.xls")}, QDir::Files,
                        QDirIterator::Subdirectories);
        while (it.hasNext())
            files.append(it.next());
    }
    files.sort();
    return files;
}

// Bytes that differ from sector to sector, so that a sector read from the wrong place shows.
QByteArray pattern(qsizetype size, int seed) {
    QByteArray bytes(size, '\0');
    for (qsizetype i = 0; i < size; ++i)
        bytes[i] = char((i * 31 + i / 509 + seed * 7) & 0xFF);
    return bytes;
}

struct MadeFile {
    const char *description;
    QList<CompoundStream> streams;
    CompoundLayout layout;
    QByteArray workbook; // the stream the reader must give
};

QList<MadeFile> madeFiles() {
    const QByteArray small = pattern(3375, 1);
    const QByteArray large = pattern(100'000, 2);
    const QByteArray other = pattern(73, 3);
    return {
        {"small workbook in the mini stream", {{"CompObj", other}, {"Workbook", small}}, {9, 0}, small},
        {"large workbook in 512-byte sectors", {{"Workbook", large}, {"Ole", other}}, {9, 0}, large},
        {"large workbook in 4096-byte sectors", {{"Ole", other}, {"Workbook", large}}, {12, 0}, large},
        {"small workbook in 4096-byte sectors", {{"Workbook", small}}, {12, 0}, small},
        {"FAT listed in DIFAT sectors of 512 bytes", {{"Workbook", large}, {"Ole", other}}, {9, 300}, large},
        {"FAT listed in a DIFAT sector of 4096 bytes",
         {{"Ole", other}, {"Workbook", small}},
         {12, 120},
         small},
        {"workbook of exactly the cutoff", {{"Workbook", pattern(4096, 4)}}, {9, 0}, pattern(4096, 4)},
        {"workbook one byte below the cutoff", {{"Workbook", pattern(4095, 5)}}, {9, 0}, pattern(4095, 5)},
        {"empty workbook", {{"Workbook", {}}}, {9, 0}, {}},
        {"name in capitals", {{"WORKBOOK", small}}, {9, 0}, small},
        {"workbook of the mid-nineties", {{"Book", small}}, {9, 0}, small},
        {"workbook before the older name", {{"Book", other}, {"Workbook", small}}, {9, 0}, small},
    };
}

TEST(CompoundFile, ReadsEveryLayoutTheFormatAllows) {
    for (const MadeFile &made : madeFiles()) {
        const QByteArray file = compoundFile(made.streams, made.layout);
        const OleContents contents = xls::readCompoundFile(file);
        EXPECT_EQ(kindName(contents.kind), kindName(Kind::Workbook)) << made.description;
        EXPECT_TRUE(contents.stream == made.workbook) << made.description;
    }
}

// Files of 512-byte sectors may hold anything in the high half of a stream's size, as some old writers
// left it; the format has readers ignore it there.
TEST(CompoundFile, IgnoresTheHighHalfOfSizesIn512ByteSectors) {
    const QByteArray workbook = pattern(3375, 1);
    QByteArray file = compoundFile({{"Workbook", workbook}});
    const qint64 directory = (qFromLittleEndian<quint32>(file.constData() + 48) + 1) * 512;
    qToLittleEndian(quint32(0xDEADBEEF), file.data() + directory + 128 + 124);
    const OleContents contents = xls::readCompoundFile(file);
    EXPECT_EQ(kindName(contents.kind), kindName(Kind::Workbook));
    EXPECT_TRUE(contents.stream == workbook);
}

TEST(CompoundFile, TellsAnEncryptedWorkbookFromAnotherDocument) {
    struct Case {
        QList<CompoundStream> streams;
        Kind kind;
    };
    const QByteArray bytes = pattern(200, 6);
    const QList<Case> cases = {
        {{{"EncryptionInfo", bytes}, {"EncryptedPackage", pattern(5000, 7)}}, Kind::EncryptedPackage},
        {{{"encryptedpackage", bytes}}, Kind::EncryptedPackage},
        {{{"EncryptionInfo", bytes}}, Kind::EncryptedPackage},
        {{{"WordDocument", bytes}}, Kind::NoWorkbook},
        {{{"Workbook2", bytes}, {"Books", bytes}}, Kind::NoWorkbook},
        {{}, Kind::NoWorkbook},
    };
    for (qsizetype i = 0; i < cases.size(); ++i) {
        const OleContents contents = xls::readCompoundFile(compoundFile(cases[i].streams));
        EXPECT_EQ(kindName(contents.kind), kindName(cases[i].kind)) << "case " << i;
        EXPECT_TRUE(contents.stream.isEmpty()) << "case " << i;
    }
}

// readOleContents is libgsf's in the builds that have it; the two readers must agree byte for byte.
TEST(CompoundFile, GivesWhatLibgsfGives) {
#ifdef FENBAN_OWN_COMPOUND_READER
    GTEST_SKIP() << "this build reads the container with our own reader only";
#endif
    const QStringList files = xlsFiles();
    ASSERT_GE(files.size(), 15) << "the fixtures are missing";
    QList<std::pair<QString, QByteArray>> inputs;
    for (const QString &path : files)
        inputs.append({path, fileBytes(path)});
    for (const MadeFile &made : madeFiles())
        inputs.append({QString::fromUtf8(made.description), compoundFile(made.streams, made.layout)});
    for (const auto &[name, bytes] : inputs) {
        const OleContents theirs = xls::readOleContents(bytes);
        const OleContents ours = xls::readCompoundFile(bytes);
        EXPECT_EQ(kindName(ours.kind), kindName(theirs.kind)) << name.toStdString();
        EXPECT_TRUE(ours.stream == theirs.stream) << name.toStdString();
    }
}

// Where the parts of a small file are: its first FAT sector and its first directory sector.
struct Layout {
    explicit Layout(const QByteArray &file)
        : sectorSize(qint64(1) << qFromLittleEndian<quint16>(file.constData() + 30)),
          fat((qFromLittleEndian<quint32>(file.constData() + 76) + 1) * sectorSize),
          directory((qFromLittleEndian<quint32>(file.constData() + 48) + 1) * sectorSize) {}
    qint64 sectorSize;
    qint64 fat;
    qint64 directory;

    qint64 entry(int index) const { return directory + 128 * index; }
    qint64 fatEntry(quint32 sector) const { return fat + 4 * qint64(sector); }
};

quint32 get32(const QByteArray &file, qint64 at) {
    return qFromLittleEndian<quint32>(file.constData() + at);
}
void put32(QByteArray &file, qint64 at, quint32 value) {
    qToLittleEndian(value, file.data() + at);
}

// In the fixtures the container library wrote, entry 1 is the workbook, in the mini stream when small.
constexpr int workbookEntry = 1;
constexpr qint64 startField = 116;
constexpr qint64 sizeField = 120;

TEST(CompoundFile, RefusesDamagedCopiesOfRealWorkbooks) {
    // students.xls keeps its workbook in the mini stream, formulas.xls in sectors of its own.
    const QByteArray small = fileBytes(importFixture(QStringLiteral("students.xls")));
    const QByteArray large = fileBytes(importFixture(QStringLiteral("formulas.xls")));
    const QByteArray largeStream = pattern(100'000, 2);
    // The workbook's last sector ends the file, and 300 FAT sectors need two DIFAT sectors.
    const QByteArray made = compoundFile({{"Workbook", largeStream}}, {9, 300});
    const QByteArray made4096 = compoundFile({{"Workbook", largeStream}}, {12, 0});
    ASSERT_EQ(kindName(xls::readCompoundFile(small).kind), kindName(Kind::Workbook));
    ASSERT_EQ(xls::readCompoundFile(small).stream.size(), 3375);
    ASSERT_GE(xls::readCompoundFile(large).stream.size(), 4096);
    ASSERT_TRUE(xls::readCompoundFile(made).stream == largeStream);
    ASSERT_TRUE(xls::readCompoundFile(made4096).stream == largeStream);

    struct Case {
        const char *damage;
        const QByteArray &original;
        std::function<void(QByteArray &)> apply;
    };
    const QList<Case> cases = {
        {"cut before the directory", small,
         [](QByteArray &f) {
             f.truncate(f.size() / 2);
         }},
        {"cut to the header", large,
         [](QByteArray &f) {
             f.truncate(512);
         }},
        {"cut inside the workbook's last sector", made,
         [&](QByteArray &f) {
             f.truncate(f.size() - 512 + largeStream.size() % 512 - 1);
         }},
        {"sector size not in the format", small,
         [](QByteArray &f) {
             f[30] = 20;
         }},
        {"more FAT sectors than the file has", small,
         [](QByteArray &f) {
             put32(f, 44, 1000);
         }},
        {"FAT sector past the end", small,
         [](QByteArray &f) {
             put32(f, 76, 5000);
         }},
        {"FAT chain in a loop", large,
         [](QByteArray &f) {
             const Layout at(f);
             const quint32 start = get32(f, at.entry(workbookEntry) + startField);
             put32(f, at.fatEntry(start + 1), start);
         }},
        {"FAT entry past the end", large,
         [](QByteArray &f) {
             const Layout at(f);
             put32(f, at.fatEntry(get32(f, at.entry(workbookEntry) + startField)), 0x00100000);
         }},
        {"FAT chain ends early", large,
         [](QByteArray &f) {
             const Layout at(f);
             put32(f, at.fatEntry(get32(f, at.entry(workbookEntry) + startField)), 0xFFFFFFFE);
         }},
        {"workbook starts past the end", large,
         [](QByteArray &f) {
             put32(f, Layout(f).entry(workbookEntry) + startField, 0x7FFFFFFF);
         }},
        {"directory chain in a loop", small,
         [](QByteArray &f) {
             const Layout at(f);
             const quint32 first = get32(f, 48);
             put32(f, at.fatEntry(first), first);
         }},
        {"directory starts past the end", small,
         [](QByteArray &f) {
             put32(f, 48, 4000);
         }},
        {"directory tree in a loop", small,
         [](QByteArray &f) {
             put32(f, Layout(f).entry(workbookEntry) + 68, workbookEntry);
         }},
        {"sibling past the directory", small,
         [](QByteArray &f) {
             put32(f, Layout(f).entry(workbookEntry) + 72, 1000);
         }},
        {"root is not the first entry", small,
         [](QByteArray &f) {
             f[Layout(f).entry(0) + 66] = 1;
         }},
        {"huge workbook size", small,
         [](QByteArray &f) {
             put32(f, Layout(f).entry(workbookEntry) + sizeField, 0xFFFFFFF0);
         }},
        {"workbook size past 4 GiB in 4096-byte sectors", made4096,
         [](QByteArray &f) {
             put32(f, Layout(f).entry(workbookEntry) + sizeField + 4, 1);
         }},
        {"DIFAT chain in a loop", made,
         [](QByteArray &f) {
             const qint64 first = get32(f, 68);
             put32(f, (first + 1) * 512 + 508, quint32(first));
         }},
        {"DIFAT sector past the end", made,
         [](QByteArray &f) {
             put32(f, 68, 0x00FFFFFF);
         }},
        {"mini sector past the mini stream", small,
         [](QByteArray &f) {
             put32(f, Layout(f).entry(workbookEntry) + startField, 1000);
         }},
        {"mini FAT entry past the mini stream", small,
         [](QByteArray &f) {
             const Layout at(f);
             const quint32 start = get32(f, at.entry(workbookEntry) + startField);
             put32(f, (get32(f, 60) + 1) * at.sectorSize + 4 * qint64(start), 500);
         }},
        {"mini FAT chain in a loop", small,
         [](QByteArray &f) {
             const Layout at(f);
             const quint32 start = get32(f, at.entry(workbookEntry) + startField);
             put32(f, (get32(f, 60) + 1) * at.sectorSize + 4 * qint64(start), start);
         }},
        {"no mini FAT", small,
         [](QByteArray &f) {
             put32(f, 60, 0xFFFFFFFE);
         }},
        {"mini stream larger than the file", small,
         [](QByteArray &f) {
             put32(f, Layout(f).entry(0) + sizeField, 0x7FFFFFFF);
         }},
        // The workbook fills the first mini sectors; the mini stream now ends inside its last one.
        {"mini stream ends inside the workbook's last mini sector", small,
         [](QByteArray &f) {
             const Layout at(f);
             put32(f, at.entry(0) + sizeField, get32(f, at.entry(workbookEntry) + sizeField) - 37);
         }},
        {"mini stream shorter than the workbook", small,
         [](QByteArray &f) {
             put32(f, Layout(f).entry(0) + sizeField, 1024);
         }},
    };
    for (const Case &c : cases) {
        QByteArray file = c.original;
        c.apply(file);
        const OleContents ours = xls::readCompoundFile(file);
        EXPECT_EQ(kindName(ours.kind), kindName(Kind::Damaged)) << c.damage;
        EXPECT_TRUE(ours.stream.isEmpty()) << c.damage;
        // Whichever reader the build uses must survive the same copy.
        xls::readOleContents(file);
    }
}

// Random damage to small workbooks, the same on every run: neither reader may crash, and ours never gives
// more bytes than the file has.
TEST(CompoundFile, SurvivesMutatedCopies) {
    const QList<QByteArray> originals = {
        fileBytes(importFixture(QStringLiteral("records.xls"))),
        fileBytes(importFixture(QStringLiteral("formulas.xls"))),
        compoundFile({{"Ole", pattern(20, 8)}, {"Workbook", pattern(5000, 9)}}, {12, 0}),
    };
    std::mt19937 random(20261211);
    const quint32 telling[] = {0, 1, 2, 0x7F, 0xFFFFFFFA, 0xFFFFFFFC, 0xFFFFFFFD, 0xFFFFFFFE, 0xFFFFFFFF};
    int workbooks = 0;
    for (int round = 0; round < 3000; ++round) {
        QByteArray file = originals[round % originals.size()];
        ASSERT_FALSE(file.isEmpty());
        const int changes = 1 + int(random() % 3);
        for (int change = 0; change < changes && !file.isEmpty(); ++change) {
            const qint64 at = qint64(random() % quint32(file.size()));
            switch (random() % 4) {
            case 0:
                file[at] = char(random());
                break;
            case 1:
                if (at / 4 * 4 + 4 <= file.size())
                    put32(file, at / 4 * 4, telling[random() % std::size(telling)]);
                break;
            case 2:
                if (at / 4 * 4 + 4 <= file.size())
                    put32(file, at / 4 * 4, quint32(random() % 256));
                break;
            default:
                file.truncate(at);
                break;
            }
        }
        const OleContents ours = xls::readCompoundFile(file);
        ASSERT_LE(ours.stream.size(), file.size()) << "round " << round;
        if (ours.kind != Kind::Workbook)
            ASSERT_TRUE(ours.stream.isEmpty()) << "round " << round;
        else
            ++workbooks;
        xls::readOleContents(file);
    }
    // The damage must leave some copies readable, or the test would only ever try the first checks.
    EXPECT_GT(workbooks, 300);
}

} // namespace
} // namespace fenban::exchange
