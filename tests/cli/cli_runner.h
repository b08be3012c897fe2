#pragma once

#include "support/qt_printers.h"
#include "support/test_backend.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace fenban::testing {

struct Outcome {
    int exitCode;
    QString out;
    QString err;
};

// Runs the real program on a database of the test's own: a file, or on the PostgreSQL variant a
// schema on the test server.
class Cli : public ::testing::Test {
protected:
    Outcome run(const QStringList &arguments, const QProcessEnvironment &environment = {}) {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const QString &key : environment.keys())
            env.insert(key, environment.value(key));
        process.setProcessEnvironment(env);
        process.start(QStringLiteral(FENBAN_CLI_PATH), arguments);
        EXPECT_TRUE(process.waitForFinished(60000));
        return {process.exitCode(), asWritten(process.readAllStandardOutput()),
                asWritten(process.readAllStandardError())};
    }
    // The C library on Windows ends each line the program writes with CR LF, as files and consoles
    // there expect; the tests compare the lines themselves.
    static QString asWritten(const QByteArray &bytes) {
        QString text = QString::fromUtf8(bytes);
#ifdef _WIN32
        text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
#endif
        return text;
    }
    Outcome runOnDb(QStringList arguments) {
        return run(QStringList{QStringLiteral("--db"), dbLocation()} + arguments);
    }
    // What --db takes: the file's path or the schema's URL.
    QString dbLocation() const {
        return m_schema ? m_schema->location() : dbPath();
    }
    // The file's path, also on the server, where nothing is there (for the file-only tests).
    QString dbPath() const {
        return m_dir.filePath(QStringLiteral("qx.db"));
    }

    // A new project with the given number of classes, holding the students of an import fixture.
    void projectWithStudents(int classes, const QString &fixture = QStringLiteral("students.csv")) {
        const Outcome created =
            runOnDb({QStringLiteral("new"), QStringLiteral("--memo"), QStringLiteral("测试"),
                     QStringLiteral("--classes"), QString::number(classes)});
        ASSERT_EQ(created.exitCode, 0) << created.err.toStdString();
        const Outcome imported = runOnDb({QStringLiteral("import"), created.out.trimmed(),
                                          QStringLiteral(FENBAN_TEST_DATA "/import/") + fixture});
        ASSERT_EQ(imported.exitCode, 0) << imported.err.toStdString();
    }

    QTemporaryDir m_dir;
    std::unique_ptr<ServerSchema> m_schema = onServer() ? std::make_unique<ServerSchema>() : nullptr;
};

} // namespace fenban::testing
