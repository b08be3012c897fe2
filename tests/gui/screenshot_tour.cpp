// Walks a teacher's road through the windows on a made-up intake and saves a picture of each stop,
// for the README. Run by scripts/screenshots; not a test.

#include "gui/class_statistics_window.h"
#include "gui/console_window.h"
#include "gui/division_window.h"
#include "gui/file_dialog.h"
#include "gui/main_window.h"
#include "gui/message_box.h"
#include "gui/translations.h"
#include "gui/window_memory.h"
#include "store/database.h"
#include "store/projects.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>

namespace {

using namespace Qt::Literals::StringLiterals;
using fenban::gui::MainWindow;

// 480 students with names, sexes, schools and scores spread as a real intake's are.
void writeIntake(const QString &path) {
    const QStringList surnames{u"王"_s, u"李"_s, u"张"_s, u"刘"_s, u"陈"_s, u"杨"_s, u"黄"_s, u"赵"_s,
                               u"吴"_s, u"周"_s, u"徐"_s, u"孙"_s, u"马"_s, u"朱"_s, u"胡"_s, u"郭"_s};
    const QStringList given{u"伟"_s, u"芳"_s,   u"娜"_s, u"敏"_s, u"静"_s,   u"丽"_s,   u"强"_s,   u"磊"_s,
                            u"军"_s, u"洋"_s,   u"勇"_s, u"艳"_s, u"杰"_s,   u"娟"_s,   u"涛"_s,   u"明"_s,
                            u"超"_s, u"秀英"_s, u"华"_s, u"慧"_s, u"子涵"_s, u"浩然"_s, u"雨桐"_s, u"欣怡"_s};
    const QStringList schools{u"城关中学"_s, u"实验中学"_s, u"第二中学"_s, u"新城中学"_s, u"东湖中学"_s};
    std::mt19937 random(2026);
    std::normal_distribution<double> score(72.0, 14.0);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return;
    QTextStream out(&file);
    out << u"学号,登分号,姓名,性别,数学,英语,语文,物理,政治,历史,体育,地理,生物,毕业学校,地址,备注,分类\n"_s;
    for (int index = 0; index < 480; ++index) {
        const QString name = surnames[int(random() % surnames.size())] + given[int(random() % given.size())];
        out << 20260001 + index << u',' << QStringLiteral("%1").arg(index + 1, 4, 10, QLatin1Char('0'))
            << u',' << name << u',' << (random() % 2 ? u"男"_s : u"女"_s);
        for (int subject = 0; subject < 9; ++subject)
            out << u',' << std::clamp(std::round(score(random) * 2.0) / 2.0, 20.0, 100.0);
        const int category = int(random() % 20);
        out << u',' << schools[int(random() % schools.size())] << u",,,"_s
            << (category == 0   ? u"体育特长"_s
                : category == 1 ? u"艺术特长"_s
                                : QString())
            << u'\n';
    }
}

// The whole screen as the teacher sees it: the main window with the console over it.
void shoot(const QString &folder, const QString &name) {
    QApplication::processEvents();
    QTest::qWait(200);
    QPixmap picture = QGuiApplication::primaryScreen()->grabWindow(0);
    picture.save(QDir(folder).filePath(name + u".png"_s));
    std::printf("%s\n", qPrintable(name));
}

template <typename Window> Window *child(const MainWindow &window) {
    for (QMdiSubWindow *frame : window.mdiArea()->subWindowList())
        if (auto *found = qobject_cast<Window *>(frame->widget()))
            return found;
    return nullptr;
}

void click(QWidget *parent, const QString &name) {
    if (auto *button = parent->findChild<QWidget *>(name))
        QTest::mouseClick(button, Qt::LeftButton);
}

void maximiseActive(const MainWindow &window) {
    if (QMdiSubWindow *frame = window.mdiArea()->activeSubWindow())
        frame->showMaximized();
}

} // namespace

int main(int argc, char *argv[]) {
    using namespace Qt::Literals::StringLiterals;
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: screenshot_tour FOLDER\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(folder);
    fenban::gui::installQtTranslations(app);
    fenban::gui::installApplicationIcon();
    fenban::gui::MessageBox::setScripted(true);
    fenban::gui::FileDialog::setScripted(true);
    fenban::gui::userSettings().clear();

    QTemporaryDir work;
    const QString intake = work.filePath(u"新生名单.csv"_s);
    writeIntake(intake);
    auto database = fenban::store::Database::open(work.filePath(u"qx.db"_s));
    if (!database)
        return 1;
    const QSqlDatabase db = database.value()->connection();
    auto project = fenban::store::ProjectStore(db).create({u"2026级高一新生"_s, 8});
    if (!project)
        return 1;

    MainWindow window(db);
    window.setGeometry(QGuiApplication::primaryScreen()->geometry());
    window.show();
    window.setCurrentProject(project.value());
    // The main window with its project chooser open.
    click(&window, u"ToolButton7"_s);
    shoot(folder, u"main-window"_s);
    if (QWidget *chooser = QApplication::activeModalWidget())
        chooser->close();

    click(&window, u"ToolButton3"_s);
    maximiseActive(window);
    fenban::gui::FileDialog::queueFileName(intake);
    if (QMdiSubWindow *frame = window.mdiArea()->activeSubWindow())
        click(frame->widget(), u"Button1"_s);
    shoot(folder, u"import-preview"_s);
    if (QMdiSubWindow *frame = window.mdiArea()->activeSubWindow()) {
        click(frame->widget(), u"bnt_yes"_s);
        QTest::qWait(2000);
        frame->close();
    }

    click(&window, u"ToolButton2"_s);
    auto *result = child<fenban::gui::DivisionWindow>(window);
    if (!result)
        return 1;
    click(result, u"Button1"_s);
    while (result->isRunning())
        QTest::qWait(100);
    shoot(folder, u"result-and-console"_s);
    if (window.console())
        window.console()->hide();
    result->parentWidget()->close();

    click(&window, u"ToolButton5"_s);
    maximiseActive(window);
    shoot(folder, u"statistics"_s);
    window.mdiArea()->activeSubWindow()->close();

    click(&window, u"ToolButton8"_s);
    maximiseActive(window);
    shoot(folder, u"student-list"_s);
    return 0;
}
