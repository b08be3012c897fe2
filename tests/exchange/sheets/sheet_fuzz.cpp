// Feeds mutated copies of the import fixtures to the spreadsheet readers for a given time. Mutants are made
// from a fixed seed, so a run can be repeated exactly; any crash, sanitizer report or uncaught exception
// ends the run with a failure, and a reader's refusal must name the file it refused.
//
//   sheet_fuzz [--seconds N] [--seed N] [--save-current FILE] FIXTURE_DIR
//
// With --save-current, each input is written to FILE before it is fed, so that the one a run dies on is
// kept.
#include <zip.h>

#include "exchange/sheets/csv_reader.h"
#include "exchange/sheets/csv_text.h"
#include "exchange/sheets/ole_container.h"
#include "exchange/sheets/sheet.h"
#include "exchange/sheets/xls_reader.h"
#include "exchange/sheets/xls_sheet.h"
#include "exchange/sheets/xlsx_cells.h"
#include "exchange/sheets/xlsx_reader.h"
#include "package_writer.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <random>

namespace {

using namespace Qt::StringLiterals;
using namespace fenban::exchange;

struct Seed {
    QString name;
    QByteArray bytes;
    // The workbook stream of a binary workbook, or the XML parts of a package, to mutate on their own.
    QByteArray workbookStream;
    QList<std::pair<QByteArray, QByteArray>> parts;
};

QByteArray fileBytes(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QList<std::pair<QByteArray, QByteArray>> packageParts(const QByteArray &bytes) {
    QList<std::pair<QByteArray, QByteArray>> parts;
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t *source = zip_source_buffer_create(bytes.constData(), zip_uint64_t(bytes.size()), 0, &error);
    zip_t *archive = source ? zip_open_from_source(source, ZIP_RDONLY, &error) : nullptr;
    zip_error_fini(&error);
    if (!archive) {
        if (source)
            zip_source_free(source);
        return parts;
    }
    const zip_int64_t count = zip_get_num_entries(archive, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        zip_stat_t stat;
        if (zip_stat_index(archive, zip_uint64_t(i), 0, &stat) != 0 || !(stat.valid & ZIP_STAT_SIZE) ||
            stat.size > 16 * 1024 * 1024)
            continue;
        zip_file_t *file = zip_fopen_index(archive, zip_uint64_t(i), 0);
        if (!file)
            continue;
        QByteArray content(qsizetype(stat.size), Qt::Uninitialized);
        const zip_int64_t read = zip_fread(file, content.data(), stat.size);
        zip_fclose(file);
        if (read == zip_int64_t(stat.size))
            parts.append({QByteArray(stat.name), content});
    }
    zip_discard(archive);
    return parts;
}

class Mutator {
public:
    explicit Mutator(std::uint64_t seed) : m_random(seed) {}

    std::size_t below(std::size_t bound) { return bound == 0 ? 0 : std::size_t(m_random() % bound); }
    bool chance(int inverse) { return below(std::size_t(inverse)) == 0; }

    QByteArray mutate(QByteArray bytes, bool markup) {
        const std::size_t count = 1 + below(4);
        for (std::size_t i = 0; i < count; ++i)
            mutateOnce(bytes, markup);
        return bytes;
    }

private:
    qsizetype position(const QByteArray &bytes) { return qsizetype(below(std::size_t(bytes.size()) + 1)); }

    void mutateOnce(QByteArray &bytes, bool markup) {
        static const char *const interesting[] = {"\x00\x00",         "\xFF\xFF", "\xFF\x7F", "\x00\x80",
                                                  "\xFF\xFF\xFF\xFF", "\x01",     "\x7F",     "\x80"};
        static const char *const tokens[] = {"<c r=\"XFD1048576\">",
                                             "<row r=\"1048576\">",
                                             "<row r=\"0\">",
                                             "<c t=\"s\"><v>99999</v></c>",
                                             "_x0000_",
                                             "_x005F_x",
                                             "<![CDATA[",
                                             "]]>",
                                             "&amp;",
                                             "&#0;",
                                             "<si><t>",
                                             "</t></si>",
                                             " t=\"inlineStr\"",
                                             "<is><t>",
                                             "<r><t>",
                                             "<rPh>",
                                             "\xEF\xBB\xBF",
                                             "\xE5\xBC",
                                             "\"",
                                             ",",
                                             "\r\n",
                                             "\n\"",
                                             "<",
                                             ">",
                                             "/>",
                                             "xmlns:x=\"a\"",
                                             "<x:c>",
                                             "4294967296",
                                             "-1",
                                             "1E+308"};
        const std::size_t kinds = markup ? 9 : 7;
        const qsizetype size = bytes.size();
        switch (below(kinds)) {
        case 0: // a bit flipped
            if (size > 0) {
                const qsizetype at = qsizetype(below(std::size_t(size)));
                bytes[at] = char(bytes[at] ^ char(1 << below(8)));
            }
            break;
        case 1: // a byte replaced
            if (size > 0)
                bytes[qsizetype(below(std::size_t(size)))] = char(below(256));
            break;
        case 2: { // a few bytes inserted
            QByteArray inserted;
            for (std::size_t k = 1 + below(8); k > 0; --k)
                inserted += char(below(256));
            bytes.insert(position(bytes), inserted);
            break;
        }
        case 3: // a run deleted
            if (size > 0) {
                const qsizetype at = qsizetype(below(std::size_t(size)));
                bytes.remove(at, qsizetype(1 + below(chance(4) ? 512 : 16)));
            }
            break;
        case 4: // cut short
            bytes.truncate(position(bytes));
            break;
        case 5: // a chunk repeated
            if (size > 0) {
                const qsizetype at = qsizetype(below(std::size_t(size)));
                const qsizetype length =
                    qsizetype(1 + below(std::size_t(std::min<qsizetype>(size - at, 4096))));
                const QByteArray chunk =
                    bytes.sliced(at, length).repeated(qsizetype(1 + below(chance(8) ? 64 : 3)));
                bytes.insert(position(bytes), chunk);
            }
            break;
        case 6: { // a value a length or count field would hold at its extremes
            const QByteArray value(interesting[below(std::size(interesting))]);
            const QByteArray raw = value.isEmpty() ? QByteArray(2, '\0') : value;
            const qsizetype at = position(bytes);
            bytes.replace(at, std::min(raw.size(), bytes.size() - at), raw);
            break;
        }
        case 7: // a token of the format's own, out of place
            bytes.insert(position(bytes), tokens[below(std::size(tokens))]);
            break;
        default: { // a number made extreme
            const qsizetype from = bytes.size() > 0 ? qsizetype(below(std::size_t(bytes.size()))) : 0;
            qsizetype at = from;
            while (at < bytes.size() && !(bytes[at] >= '0' && bytes[at] <= '9'))
                ++at;
            qsizetype end = at;
            while (end < bytes.size() && bytes[end] >= '0' && bytes[end] <= '9')
                ++end;
            static const char *const numbers[] = {"0", "2147483648", "99999999999999999999", "1048577",
                                                  "16385"};
            bytes.replace(at, end - at, numbers[below(std::size(numbers))]);
            break;
        }
        }
    }

    std::mt19937_64 m_random;
};

[[noreturn]] void fail(const std::string &what) {
    std::fprintf(stderr, "sheet_fuzz: %s\n", what.c_str());
    std::fflush(stderr);
    std::abort();
}

class Run {
public:
    Run(QList<Seed> seeds, std::uint64_t seed, QString saveCurrent)
        : m_seeds(std::move(seeds)), m_mutator(seed), m_saveCurrent(std::move(saveCurrent)) {}

    bool prepare() { return m_dir.isValid(); }

    // One mutant of one seed, fed to whatever reads it.
    void step() {
        const Seed &seed = m_seeds[qsizetype(m_mutator.below(std::size_t(m_seeds.size())))];
        if (!seed.workbookStream.isEmpty() && m_mutator.chance(2)) {
            const QByteArray stream = m_mutator.mutate(seed.workbookStream, false);
            save(stream);
            (void)xls::readFirstWorksheet(stream);
            return;
        }
        if (!seed.parts.isEmpty() && m_mutator.chance(2)) {
            feedMutatedPart(seed);
            return;
        }
        if (seed.name.endsWith(u".csv") && m_mutator.chance(3)) {
            const QByteArray bytes = m_mutator.mutate(seed.bytes, true);
            save(bytes);
            const CsvText text = decodeCsv(bytes);
            (void)parseCsv(text.text);
            return;
        }
        feedFile(seed.name, m_mutator.mutate(seed.bytes, seed.name.endsWith(u".csv")));
    }

private:
    void save(const QByteArray &bytes) {
        if (m_saveCurrent.isEmpty())
            return;
        QFile file(m_saveCurrent);
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            file.write(bytes);
    }

    // An XML part mutated on its own: parsed directly, and read again inside its package.
    void feedMutatedPart(const Seed &seed) {
        QList<std::pair<QByteArray, QByteArray>> parts = seed.parts;
        auto &[name, content] = parts[qsizetype(m_mutator.below(std::size_t(parts.size())))];
        content = m_mutator.mutate(content, true);
        save(content);
        const xlsx::Parsed<QList<QString>> strings = xlsx::parseSharedStrings(content);
        (void)xlsx::parseWorksheet(content, strings ? *strings : QList<QString>{u"a"_s, u"b"_s});
        feedFile(seed.name, fenban::exchange::testing::zipArchive(parts));
    }

    void feedFile(const QString &name, const QByteArray &bytes) {
        save(bytes);
        const QString path = m_dir.filePath(QFileInfo(name).fileName());
        {
            QFile file(path);
            if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
                fail("cannot write " + path.toStdString());
            file.write(bytes);
        }
        check(path, readFirstSheet(path));
        check(path, CsvReader().read(path));
        check(path, XlsReader().read(path));
        check(path, XlsxReader().read(path));
    }

    static void check(const QString &path, const fenban::Result<SheetData> &sheet) {
        if (!sheet && !sheet.error().contains(QDir::toNativeSeparators(path)))
            fail("a refusal that does not name the file: " + sheet.error().toStdString());
    }

    QList<Seed> m_seeds;
    Mutator m_mutator;
    QString m_saveCurrent;
    QTemporaryDir m_dir;
};

QList<Seed> readSeeds(const QString &folder) {
    QList<Seed> seeds;
    QDirIterator it(folder, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (path.contains(u"/tools/") || path.endsWith(u".md"))
            continue;
        Seed seed{QFileInfo(path).fileName(), fileBytes(path), {}, {}};
        if (seed.bytes.isEmpty())
            continue;
        if (seed.bytes.startsWith("PK"))
            seed.parts = packageParts(seed.bytes);
        const xls::OleContents contents = xls::readOleContents(seed.bytes);
        if (contents.kind == xls::OleContents::Kind::Workbook)
            seed.workbookStream = contents.stream;
        seeds.append(std::move(seed));
    }
    std::sort(seeds.begin(), seeds.end(), [](const Seed &a, const Seed &b) { return a.name < b.name; });
    return seeds;
}

int run(const QStringList &arguments) {
    double seconds = 10;
    std::uint64_t seed = 1;
    QString saveCurrent;
    QString folder;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString &argument = arguments[i];
        const bool hasValue = i + 1 < arguments.size();
        if (argument == u"--seconds" && hasValue)
            seconds = arguments[++i].toDouble();
        else if (argument == u"--seed" && hasValue)
            seed = arguments[++i].toULongLong();
        else if (argument == u"--save-current" && hasValue)
            saveCurrent = arguments[++i];
        else if (folder.isEmpty() && !argument.startsWith(u"--"))
            folder = argument;
        else {
            std::fprintf(stderr,
                         "usage: sheet_fuzz [--seconds N] [--seed N] [--save-current FILE] FIXTURE_DIR\n");
            return 2;
        }
    }
    const QList<Seed> seeds = readSeeds(folder);
    if (seeds.isEmpty()) {
        std::fprintf(stderr, "sheet_fuzz: no fixtures in %s\n", qPrintable(folder));
        return 2;
    }
    Run fuzz(seeds, seed, saveCurrent);
    if (!fuzz.prepare())
        fail("no temporary folder");
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    long steps = 0;
    while (std::chrono::steady_clock::now() < end) {
        fuzz.step();
        ++steps;
    }
    std::printf("sheet_fuzz: %ld mutants of %lld fixtures, seed %llu\n", steps,
                static_cast<long long>(seeds.size()), static_cast<unsigned long long>(seed));
    return 0;
}

} // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    try {
        return run(app.arguments());
    } catch (const std::exception &e) {
        fail(std::string("uncaught exception: ") + e.what());
    } catch (...) {
        fail("uncaught exception");
    }
}
