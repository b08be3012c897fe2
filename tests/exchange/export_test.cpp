#include "exchange/result_export.h"
#include "exchange/sheets/sheet.h"
#include "support/full_disk.h"
#include "support/qt_printers.h"
#include "support/student_builder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#endif

using fenban::exchange::readFirstSheet;
using fenban::exchange::writeResult;
using fenban::store::StudentRecord;

namespace {

StudentRecord student(int id, int classId, std::array<double, 9> scores) {
    return fenban::testing::StudentBuilder(id)
        .recId(QStringLiteral("0%1").arg(id))
        .name(QStringLiteral("学生, \"%1\"").arg(id))
        .sex(QStringLiteral("女"))
        .inClass(classId)
        .scores(scores)
        .school(QStringLiteral("一中"))
        .memo(QStringLiteral("备注%1").arg(id))
        .category(QStringLiteral("艺术"));
}

const QStringList expectedHeader{
    QStringLiteral("学号"), QStringLiteral("登分号"), QStringLiteral("姓名"),     QStringLiteral("性别"),
    QStringLiteral("数学"), QStringLiteral("英语"),   QStringLiteral("语文"),     QStringLiteral("物理"),
    QStringLiteral("政治"), QStringLiteral("历史"),   QStringLiteral("体育"),     QStringLiteral("地理"),
    QStringLiteral("生物"), QStringLiteral("总分"),   QStringLiteral("毕业学校"), QStringLiteral("地址"),
    QStringLiteral("班名"), QStringLiteral("备注"),   QStringLiteral("分类"),
};

QStringList sheetRow(const fenban::exchange::SheetData &sheet, int row) {
    QStringList cells;
    for (int column = 1; column <= 19; ++column)
        cells.append(sheet.cell(row, column));
    return cells;
}

class Export : public ::testing::TestWithParam<const char *> {
protected:
    QString path() const {
        return m_dir.filePath(QStringLiteral("分班结果.") + QString::fromLatin1(GetParam()));
    }
    QTemporaryDir m_dir;
};

} // namespace

TEST_P(Export, ReadsBackWithHeaderOrderAndValues) {
    // Handed over in the store's order: by class, then student number.
    const QList<StudentRecord> students{student(20260002, 0, {1, 2, 3, 4, 5, 6, 7, 8, 9.5}),
                                        student(20260001, 3, {80, 90, 85, 0, 0, 0, 0, 0, 0})};
    const auto written = writeResult(students, path());
    ASSERT_TRUE(written) << written.error().toStdString();

    const auto sheet = readFirstSheet(path());
    ASSERT_TRUE(sheet) << sheet.error().toStdString();
    EXPECT_EQ(sheet->rowCount(), 3);
    EXPECT_EQ(sheetRow(sheet.value(), 1), expectedHeader);
    EXPECT_EQ(sheetRow(sheet.value(), 2),
              (QStringList{QStringLiteral("20260002"), QStringLiteral("020260002"),
                           QStringLiteral("学生, \"20260002\""), QStringLiteral("女"), QStringLiteral("1"),
                           QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("4"), QStringLiteral("5"),
                           QStringLiteral("6"), QStringLiteral("7"), QStringLiteral("8"),
                           QStringLiteral("9.5"), QStringLiteral("45.5"), QStringLiteral("一中"), QString(),
                           QStringLiteral("0班"), QStringLiteral("备注20260002"), QStringLiteral("艺术")}));
    EXPECT_EQ(sheet->cell(3, 1), QStringLiteral("20260001"));
    EXPECT_EQ(sheet->cell(3, 14), QStringLiteral("255"));
    EXPECT_EQ(sheet->cell(3, 17), QStringLiteral("3班"));
}

TEST_P(Export, ProjectWithoutStudentsGivesTheHeaderOnly) {
    ASSERT_TRUE(writeResult({}, path()));
    const auto sheet = readFirstSheet(path());
    ASSERT_TRUE(sheet) << sheet.error().toStdString();
    EXPECT_EQ(sheet->rowCount(), 1);
    EXPECT_EQ(sheetRow(sheet.value(), 1), expectedHeader);
}

TEST_P(Export, FailureNamesTheFileAndLeavesNothingBehind) {
    const QString missingFolder =
        m_dir.filePath(QStringLiteral("missing/out.")) + QString::fromLatin1(GetParam());
    const auto written = writeResult({student(1, 1, {})}, missingFolder);
    ASSERT_FALSE(written);
    EXPECT_TRUE(written.error().contains(QDir::toNativeSeparators(missingFolder)))
        << written.error().toStdString();
    EXPECT_TRUE(QDir(m_dir.path()).entryList(QDir::Files).isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Formats, Export, ::testing::Values("xlsx", "csv"));

namespace {

QByteArray contents(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void putFile(const QString &path, const QByteArray &bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

} // namespace

TEST_P(Export, AFullDiskIsNamedAndTheOldFileKept) {
    putFile(path(), "old");
    const auto written = writeResult({student(1, 1, {})}, path(), fenban::testing::writeToFullDisk);
    ASSERT_FALSE(written);
    EXPECT_EQ(written.error(),
              QStringLiteral("无法写入文件 %1: 磁盘空间不足").arg(QDir::toNativeSeparators(path())));
    EXPECT_EQ(contents(path()), QByteArray("old"));
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList{QFileInfo(path()).fileName()});
}

// The file used to be put together at "<target>.part": whatever stands there now is left alone.
TEST_P(Export, FilesAndLinksBesideTheTargetAreLeftAlone) {
    const QString part = path() + QStringLiteral(".part");
    putFile(part, "mine");
    ASSERT_TRUE(writeResult({student(1, 1, {})}, path()));
    EXPECT_EQ(contents(part), QByteArray("mine"));
    ASSERT_TRUE(QFile::remove(part));
#ifndef _WIN32
    const QString victim = m_dir.filePath(QStringLiteral("victim.txt"));
    putFile(victim, "victim");
    ASSERT_TRUE(QFile::link(victim, part));
    ASSERT_TRUE(writeResult({student(2, 1, {})}, path()));
    EXPECT_EQ(contents(victim), QByteArray("victim"));
    EXPECT_TRUE(QFileInfo(part).isSymLink());
    QStringList expected{QFileInfo(path()).fileName(), QFileInfo(part).fileName(),
                         QStringLiteral("victim.txt")};
    expected.sort();
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name), expected);
#endif
}

// A teacher's folder and file names hold Chinese and spaces; Windows must not see them through its
// narrow code page, neither for the file written nor for the one it replaces.
TEST_P(Export, AChinesePathWithSpacesIsWrittenAndReplaced) {
    const QString folder = m_dir.filePath(QStringLiteral("张老师/新生 名单"));
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString target = folder + QStringLiteral("/新生 分班 结果.") + QString::fromLatin1(GetParam());
    ASSERT_TRUE(writeResult({student(1, 1, {})}, target));
    const auto written = writeResult({student(2, 2, {}), student(3, 3, {})}, target);
    ASSERT_TRUE(written) << written.error().toStdString();
    const auto sheet = readFirstSheet(target);
    ASSERT_TRUE(sheet) << sheet.error().toStdString();
    EXPECT_EQ(sheet->rowCount(), 3);
    EXPECT_EQ(sheet->cell(2, 1), QStringLiteral("2"));
    EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList{QFileInfo(target).fileName()});
}

#ifdef _WIN32
// A spreadsheet program holds the workbook it shows open without letting others delete it; Windows
// then refuses the replace, and the teacher is told to close it there.
TEST_P(Export, ATargetOpenInAnotherProgramIsNamedAndKept) {
    putFile(path(), "old");
    const HANDLE held =
        CreateFileW(QDir::toNativeSeparators(path()).toStdWString().c_str(), GENERIC_READ | GENERIC_WRITE,
                    FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    const auto written = writeResult({student(1, 1, {})}, path());
    CloseHandle(held);
    ASSERT_FALSE(written);
    EXPECT_EQ(written.error(),
              QStringLiteral("无法写入文件 %1: 文件正被其他程序使用（可能已在其他程序中打开），请先关闭它")
                  .arg(QDir::toNativeSeparators(path())));
    EXPECT_EQ(contents(path()), QByteArray("old"));
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList{QFileInfo(path()).fileName()});
}
#else
TEST_P(Export, AReplacedFileKeepsItsPermissions) {
    for (const QFile::Permissions permissions :
         {QFile::Permissions(QFile::ReadOwner | QFile::WriteOwner),
          QFile::Permissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup)}) {
        putFile(path(), "old");
        ASSERT_TRUE(QFile::setPermissions(path(), permissions));
        ASSERT_TRUE(writeResult({student(1, 1, {})}, path()));
        EXPECT_NE(contents(path()), QByteArray("old"));
        // Owner, group and others; the "user" bits repeat the owner's for the current user.
        EXPECT_EQ(QFileInfo(path()).permissions() & QFile::Permissions(0x7077), permissions);
    }
}

#endif

#ifdef _WIN32
// Windows opens these names as the null device, the console or a printer port, in any folder.
TEST_P(Export, ATargetThatIsNotARegularFileIsRefused) {
    const QString extension = QString::fromLatin1(GetParam());
    const QString folder = m_dir.filePath(QStringLiteral("folder.") + extension);
    ASSERT_TRUE(QDir().mkpath(folder));
    const struct {
        QString target;
        QString reason;
    } cases[] = {
        {m_dir.filePath(QStringLiteral("NUL")), QStringLiteral("该路径不是普通文件")},
        {m_dir.filePath(QStringLiteral("con.") + extension), QStringLiteral("该路径不是普通文件")},
        {m_dir.filePath(QStringLiteral("LPT1.") + extension), QStringLiteral("该路径不是普通文件")},
        {folder, QStringLiteral("该路径是文件夹")},
    };
    for (const auto &c : cases) {
        const auto written = writeResult({student(1, 1, {})}, c.target);
        ASSERT_FALSE(written) << c.target.toStdString();
        EXPECT_EQ(written.error(),
                  QStringLiteral("无法写入文件 %1: %2").arg(QDir::toNativeSeparators(c.target), c.reason));
    }
    EXPECT_TRUE(QFileInfo(folder).isDir());
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
}
#else
TEST_P(Export, ATargetThatIsNotARegularFileIsRefused) {
    const QString fifo = m_dir.filePath(QStringLiteral("pipe.") + QString::fromLatin1(GetParam()));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString folder = m_dir.filePath(QStringLiteral("folder.") + QString::fromLatin1(GetParam()));
    ASSERT_TRUE(QDir().mkpath(folder));
    // A link to a device: were it followed and replaced, only the link would go, never the device.
    const QString device = m_dir.filePath(QStringLiteral("device.") + QString::fromLatin1(GetParam()));
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/null"), device));
    const struct {
        QString target;
        QString reason;
    } cases[] = {
        {fifo, QStringLiteral("该路径不是普通文件")},
        {folder, QStringLiteral("该路径是文件夹")},
        {device, QStringLiteral("该路径不是普通文件")},
    };
    for (const auto &c : cases) {
        const auto written = writeResult({student(1, 1, {})}, c.target);
        ASSERT_FALSE(written) << c.target.toStdString();
        EXPECT_EQ(written.error(), QStringLiteral("无法写入文件 %1: %2").arg(c.target, c.reason));
    }
    EXPECT_EQ(QFileInfo(fifo).isFile() || QFileInfo(fifo).isDir(), false);
    EXPECT_TRUE(QFileInfo(device).isSymLink());
    EXPECT_TRUE(QFileInfo(folder).isDir());
}
#endif

TEST(FileErrors, CommonCausesAreNamedInChinese) {
    const std::pair<int, QString> cases[] = {
        {ENOSPC, QStringLiteral("磁盘空间不足")},
#ifdef EDQUOT
        {EDQUOT, QStringLiteral("磁盘空间不足")},
#endif
        {EACCES, QStringLiteral("没有写入权限")}, {EROFS, QStringLiteral("文件系统只读")},
        {ENOENT, QStringLiteral("文件夹不存在")},
    };
    for (const auto &[error, text] : cases)
        EXPECT_EQ(fenban::exchange::fileErrorText(error), text) << error;
}
