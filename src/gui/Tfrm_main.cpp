#include "gui/Tfrm_main.h"

#include "app/export_service.h"
#include "gui/FileDialog.h"
#include "gui/MessageBox.h"
#include "gui/TfrmBuild.h"
#include "gui/TfrmResult.h"
#include "gui/TfrmShow.h"
#include "gui/Tfrm_class_info.h"
#include "gui/Tfrm_config.h"
#include "gui/Tfrm_excelToDb.h"
#include "gui/Tfrm_insertQX.h"
#include "gui/Tfrm_list.h"
#include "gui/Tfrm_open.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>

namespace fenban::gui {

namespace {

const QString productTitle = QStringLiteral("新生分班");

struct ToolButtonLook {
    QString objectName;
    QString caption;
    QStyle::StandardPixmap icon;
};

} // namespace

Tfrm_main::Tfrm_main(QSqlDatabase db, QWidget *parent) : QMainWindow(parent), m_db(std::move(db)) {
    setObjectName(QStringLiteral("frm_main"));
    setWindowTitle(productTitle);
    m_mdiArea = new QMdiArea(this);
    m_mdiArea->setBackground(QColor(0x80, 0x80, 0x80));
    setCentralWidget(m_mdiArea);
    buildToolBar();
    buildStatusBar();
    FileDialog::protectDatabase(databasePath());
}

void Tfrm_main::buildToolBar() {
    m_toolBar = addToolBar(QStringLiteral("ToolBar1"));
    m_toolBar->setObjectName(QStringLiteral("ToolBar1"));
    m_toolBar->setMovable(false);
    m_toolBar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    m_toolBar->setIconSize(QSize(16, 16));

    const QList<std::pair<ToolButtonLook, std::function<void()>>> buttons{
        {{QStringLiteral("ToolButton6"), QStringLiteral("1.新建"), QStyle::SP_FileIcon},
         [this] {
             unlessDividing([this] { ToolButton6Click(); });
         }},
        {{QStringLiteral("ToolButton7"), QStringLiteral("2.打开"), QStyle::SP_DirOpenIcon},
         [this] {
             unlessDividing([this] { ToolButton7Click(); });
         }},
        {{QStringLiteral("ToolButton3"), QStringLiteral("3.1数据导入"), QStyle::SP_ArrowDown},
         [this] {
             guarded([this] { unlessDividing([this] { ToolButton3Click(); }); });
         }},
        {{QStringLiteral("ToolButton11"), QStringLiteral("3.2内部数据"), QStyle::SP_DriveHDIcon},
         [this] {
             guarded([this] { unlessDividing([this] { ToolButton11Click(); }); });
         }},
        {{QStringLiteral("ToolButton1"), QStringLiteral("4.分班设置"), QStyle::SP_FileDialogDetailedView},
         [this] {
             guarded([this] { ToolButton1Click(); });
         }},
        {{QStringLiteral("ToolButton2"), QStringLiteral("5.开始"), QStyle::SP_MediaPlay},
         [this] {
             guarded([this] { ToolButton2Click(); });
         }},
        {{QStringLiteral("ToolButton5"), QStringLiteral("6.班级信息"), QStyle::SP_FileDialogInfoView},
         [this] {
             guarded([this] { ToolButton5Click(); });
         }},
        {{QStringLiteral("ToolButton8"), QStringLiteral("7.学生名单"), QStyle::SP_FileDialogListView},
         [this] {
             guarded([this] { ToolButton8Click(); });
         }},
        {{QStringLiteral("ToolButton9"), QStringLiteral("8.数据导出"), QStyle::SP_DialogSaveButton},
         [this] {
             guarded([this] { ToolButton9Click(); });
         }},
        {{QStringLiteral("ToolButton4"), QStringLiteral("退出"), QStyle::SP_DialogCloseButton},
         [this] {
             unlessDividing([] { QApplication::quit(); });
         }},
    };
    for (const auto &[look, command] : buttons) {
        QAction *action = m_toolBar->addAction(style()->standardIcon(look.icon), look.caption);
        connect(action, &QAction::triggered, this, command);
        QWidget *button = m_toolBar->widgetForAction(action);
        button->setObjectName(look.objectName);
        button->setMinimumSize(70, 36);
    }
}

void Tfrm_main::buildStatusBar() {
    statusBar()->setObjectName(QStringLiteral("sbInfo"));
    for (const int width : {250, 150, 100, 50}) {
        auto *panel = new QLabel(statusBar());
        panel->setMinimumWidth(width);
        panel->setFrameShape(QFrame::StyledPanel);
        statusBar()->addWidget(panel);
        m_statusPanels.append(panel);
    }
    m_statusPanels.last()->setText(productTitle);
}

void Tfrm_main::setCurrentProject(const store::Project &project) {
    m_tableName = project.studentTable();
    m_rbTableName = project.workTable();
    m_projectId = QString::number(project.id);
    setWindowTitle(project.memo);
}

void Tfrm_main::clearCurrentProject() {
    m_tableName.clear();
    m_rbTableName.clear();
    m_projectId.clear();
    setWindowTitle(productTitle);
}

void Tfrm_main::guarded(const std::function<void()> &command) {
    if (m_tableName.isEmpty()) {
        MessageBox::information(this, QStringLiteral("请选择你要操作的分班项"));
        return;
    }
    command();
}

void Tfrm_main::showChild(QPointer<QWidget> &field, const std::function<QWidget *()> &create) {
    if (!field) {
        QWidget *window = create();
        window->setAttribute(Qt::WA_DeleteOnClose);
        // The window's own size is what it asked for; the frame would otherwise shrink it to its hint.
        const QSize wanted = window->size();
        QMdiSubWindow *frame =
            m_mdiArea->addSubWindow(window, Qt::SubWindow | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                                                Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
        frame->setAttribute(Qt::WA_DeleteOnClose);
        frame->show();
        frame->resize(wanted + (frame->size() - window->size()));
        const QRect area = m_mdiArea->viewport()->rect();
        frame->move(std::max(0, (area.width() - frame->width()) / 2),
                    std::max(0, (area.height() - frame->height()) / 2));
        field = window;
    }
    QWidget *frame = field->parentWidget() ? field->parentWidget() : field.data();
    frame->show();
    frame->raise();
    if (auto *subWindow = qobject_cast<QMdiSubWindow *>(frame))
        m_mdiArea->setActiveSubWindow(subWindow);
}

void Tfrm_main::ToolButton6Click() {
    auto *dialog = new TfrmBuild(m_db, this);
    connect(dialog, &TfrmBuild::projectCreated, this, &Tfrm_main::setCurrentProject);
    dialog->open();
}

void Tfrm_main::ToolButton7Click() {
    auto *dialog = new Tfrm_open(m_db, this);
    connect(dialog, &Tfrm_open::projectChosen, this, &Tfrm_main::setCurrentProject);
    connect(dialog, &Tfrm_open::projectDeleted, this, &Tfrm_main::onProjectDeleted);
    dialog->open();
}

void Tfrm_main::ToolButton3Click() {
    const bool created = !previewWin;
    showChild(previewWin, [this] { return new Tfrm_excelToDb(this); });
    if (created) {
        QWidget *frame = previewWin->parentWidget();
        frame->move(frame->x(), 50);
    }
}

void Tfrm_main::ToolButton1Click() {
    showChild(configWin, [this] { return new Tfrm_config(m_db, m_projectId.toInt()); });
}

void Tfrm_main::ToolButton2Click() {
    showChild(resultWin, [this] { return new TfrmResult(this); });
}

void Tfrm_main::ToolButton11Click() {
    auto *dialog = new Tfrm_insertQX(this);
    connect(dialog, &Tfrm_insertQX::projectDeleted, this, &Tfrm_main::onProjectDeleted);
    dialog->open();
}

void Tfrm_main::ToolButton5Click() {
    showChild(classInfoWin, [this] { return new Tfrm_class_info(this); });
}

void Tfrm_main::ToolButton8Click() {
    showChild(listWin, [this] { return new Tfrm_list(this); });
}

void Tfrm_main::unlessDividing(const std::function<void()> &command) {
    if (isDividing()) {
        MessageBox::information(this, QStringLiteral("正在分班，请稍候"));
        return;
    }
    command();
}

void Tfrm_main::closeEvent(QCloseEvent *event) {
    if (isDividing()) {
        MessageBox::information(this, QStringLiteral("正在分班，请稍候"));
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
}

bool Tfrm_main::isDividing() const {
    const auto *result = qobject_cast<const TfrmResult *>(resultWin.data());
    return result && result->isRunning();
}

void Tfrm_main::re_qx(const QList<int> &classNumbers) {
    if (auto *result = qobject_cast<TfrmResult *>(resultWin.data()))
        result->reqx_begin(classNumbers);
}

void Tfrm_main::createMsgfrom() {
    if (!m_console)
        m_console = new TfrmShow(this);
    m_console->show();
}

TfrmShow *Tfrm_main::console() const {
    return m_console;
}

void Tfrm_main::showMsg(const QString &text) {
    if (m_console)
        m_console->showMsg(text);
}

void Tfrm_main::ToolButton9Click() {
    const QString path =
        FileDialog::saveFileName(this, QStringLiteral("导出分班结果"), QStringLiteral("分班结果.xlsx"),
                                 QStringLiteral("Excel 工作簿 (*.xlsx);;CSV 文件 (*.csv)"));
    if (path.isEmpty())
        return;
    if (const auto exported = app::exportResult(m_db, m_projectId.toInt(), path); !exported) {
        MessageBox::error(this, exported.error());
        return;
    }
    FileDialog::openWithDesktop(path);
}

QString Tfrm_main::databasePath() const {
    return m_db.databaseName();
}

void Tfrm_main::setStatusText(const QString &text) {
    m_statusPanels.first()->setText(text);
}

void Tfrm_main::onProjectDeleted(int id) {
    if (m_projectId == QString::number(id))
        clearCurrentProject();
}

} // namespace fenban::gui
