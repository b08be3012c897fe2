#pragma once

#include "support/qt_printers.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace fenban::testing {

struct Outcome {
    int exitCode;
    QString out;
    QString err;
};

// Runs the real program on a database file of the test's own.
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
        return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
                QString::fromUtf8(process.readAllStandardError())};
    }
    Outcome runOnDb(QStringList arguments) {
        return run(QStringList{QStringLiteral("--db"), dbPath()} + arguments);
    }
    QString dbPath() const { return m_dir.filePath(QStringLiteral("qx.db")); }

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
};

} // namespace fenban::testing
