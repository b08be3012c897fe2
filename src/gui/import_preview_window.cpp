#include "gui/import_preview_window.h"

#include "exchange/sheets/sheet.h"
#include "gui/file_dialog.h"
#include "gui/import_progress_dialog.h"
#include "gui/main_window.h"
#include "gui/message_box.h"

#include <QApplication>
#include <QColor>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QThread>
#include <QVBoxLayout>

#include <memory>

namespace fenban::gui {

namespace {

constexpr int gridColumns = exchange::importColumnCount + 1; // column 0 numbers the rows
const QString sampleFolder = QStringLiteral("导入excel文件样例");
const QString sampleName = QStringLiteral("分班数据输入样例.xls");
const QColor withoutSexColor(0xFF, 0xE0, 0x60);

QTableWidgetItem *readOnlyItem(const QString &text) {
    auto *item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    return item;
}

} // namespace

QString sampleSpreadsheetPath() {
    const QString programFolder = QCoreApplication::applicationDirPath();
    const QStringList candidates{
        programFolder + QLatin1Char('/') + sampleFolder + QLatin1Char('/') + sampleName,
        programFolder + QStringLiteral("/../share/fenban/") + sampleFolder + QLatin1Char('/') + sampleName,
    };
    for (const QString &candidate : candidates) {
        if (QFileInfo::exists(candidate))
            return QDir::cleanPath(candidate);
    }
    return QDir::cleanPath(candidates.first());
}

ImportPreviewWindow::ImportPreviewWindow(MainWindow *mainWindow) : m_main(mainWindow) {
    setObjectName(QStringLiteral("frm_excelToDb"));
    setWindowTitle(QStringLiteral("导入数据浏览"));
    FormCreate();
}

void ImportPreviewWindow::FormCreate() {
    sgStudent = new QTableWidget(1, gridColumns, this);
    sgStudent->setObjectName(QStringLiteral("sgStudent"));
    sgStudent->setHorizontalHeaderLabels(QStringList{QString()} + exchange::importHeaders());
    sgStudent->verticalHeader()->hide();
    sgStudent->setColumnWidth(0, 30);
    sgStudent->horizontalHeader()->setSectionsMovable(true);
    sgStudent->setSelectionBehavior(QAbstractItemView::SelectRows);
    sgStudent->setEditTriggers(QAbstractItemView::NoEditTriggers);

    Button1 = new QPushButton(QStringLiteral("打开"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    bnt_yes = new QPushButton(QStringLiteral("导入到库"), this);
    bnt_yes->setObjectName(QStringLiteral("bnt_yes"));
    bnt_yes->setEnabled(false);
    lb_info = new QLabel(this);
    lb_info->setObjectName(QStringLiteral("lb_info"));
    Label2 = new QLabel(QStringLiteral("点击这里打开分班数据样表(请另存一份后再录入数据)"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setStyleSheet(QStringLiteral("color: navy; text-decoration: underline;"));
    Label2->setCursor(Qt::PointingHandCursor);
    Label2->installEventFilter(this);

    auto *controls = new QHBoxLayout;
    controls->addWidget(Button1);
    controls->addWidget(bnt_yes);
    controls->addWidget(lb_info);
    controls->addStretch();
    controls->addWidget(Label2);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(controls);
    layout->addWidget(sgStudent);
    resize(900, 500);

    connect(Button1, &QPushButton::clicked, this, &ImportPreviewWindow::Button1Click);
    connect(bnt_yes, &QPushButton::clicked, this, &ImportPreviewWindow::bnt_yesClick);
}

bool ImportPreviewWindow::eventFilter(QObject *watched, QEvent *event) {
    if (watched == Label2 && event->type() == QEvent::MouseButtonRelease) {
        Label2Click();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void ImportPreviewWindow::Button1Click() {
    if (m_main->tableName().isEmpty()) {
        MessageBox::information(this, QStringLiteral("请先选择或建立新的分班工程"));
        return;
    }
    const QString path = FileDialog::openFileName(this, QStringLiteral("打开学生数据"),
                                                  QStringLiteral("电子表格 (*.xls *.xlsx *.csv)"));
    if (path.isEmpty())
        return;
    showInStrgrid(path);
}

void ImportPreviewWindow::showInStrgrid(const QString &path) {
    setLoading(true);
    // Reading runs off the window's thread; the result is dropped if the window is gone by then.
    auto sheet = std::make_shared<std::optional<store::Result<exchange::ImportSheet>>>();
    QThread *reader = QThread::create([path, sheet] {
        const auto read = exchange::readFirstSheet(path);
        *sheet = read ? exchange::importRowsFrom(read.value())
                      : store::Result<exchange::ImportSheet>::failure(read.error());
    });
    connect(reader, &QThread::finished, reader, &QObject::deleteLater);
    connect(reader, &QThread::finished, this, [this, sheet] {
        setLoading(false);
        if (!sheet->has_value() || !sheet->value()) {
            MessageBox::error(this,
                              sheet->has_value() ? sheet->value().error() : QStringLiteral("读取文件失败"));
        } else {
            fillGrid(sheet->value().value());
            bnt_yes->setEnabled(true);
        }
        emit loadEnded();
    });
    reader->start();
}

void ImportPreviewWindow::setLoading(bool loading) {
    m_loading = loading;
    Button1->setEnabled(!loading);
    if (loading)
        bnt_yes->setEnabled(false);
    setCursor(loading ? Qt::BusyCursor : Qt::ArrowCursor);
}

void ImportPreviewWindow::fillGrid(const exchange::ImportSheet &sheet) {
    // A file without any student row leaves the grid as it was.
    if (sheet.students.isEmpty())
        return;
    QList<exchange::ImportRow> rows = sheet.students;
    rows.append(sheet.terminator);
    sgStudent->setUpdatesEnabled(false);
    sgStudent->clearContents();
    sgStudent->setRowCount(static_cast<int>(rows.size()));
    // The division places students by sex: one without it stays out of every class.
    const int sexColumn = static_cast<int>(exchange::importHeaders().indexOf(QStringLiteral("性别")));
    int withoutSex = 0;
    for (int r = 0; r < rows.size(); ++r) {
        sgStudent->setItem(r, 0, readOnlyItem(QString::number(r + 1)));
        for (int c = 0; c < exchange::importColumnCount; ++c)
            sgStudent->setItem(r, c + 1, readOnlyItem(rows[r].cells[c]));
        if (r < sheet.students.size() && rows[r].cells.value(sexColumn).trimmed().isEmpty()) {
            QTableWidgetItem *sex = sgStudent->item(r, sexColumn + 1);
            sex->setBackground(withoutSexColor);
            sex->setToolTip(QStringLiteral("性别为空，分班时不会分入任何班级"));
            ++withoutSex;
        }
    }
    sgStudent->setUpdatesEnabled(true);
    sgStudent->setCurrentCell(static_cast<int>(rows.size()) - 1, 1);

    QString count = QStringLiteral("已导入的总记录数:%1条").arg(sheet.students.size());
    if (withoutSex > 0)
        count += QStringLiteral("，其中%1名学生性别为空，分班时不会分入任何班级").arg(withoutSex);
    m_main->setStatusText(count);
    lb_info->setText(count + QStringLiteral("   "));
}

QList<exchange::ImportRow> ImportPreviewWindow::gridStudents() const {
    const QHeaderView *header = sgStudent->horizontalHeader();
    QList<exchange::ImportRow> rows;
    // Every row but the last, the terminating one; cells go by the position the user sees, so a
    // column dragged elsewhere feeds the field of its new place.
    for (int r = 0; r + 1 < sgStudent->rowCount(); ++r) {
        exchange::ImportRow row{r + 2, {}};
        for (int visual = 1; visual < gridColumns; ++visual) {
            const QTableWidgetItem *item = sgStudent->item(r, header->logicalIndex(visual));
            row.cells.append(item ? item->text() : QString());
        }
        rows.append(row);
    }
    return rows;
}

void ImportPreviewWindow::bnt_yesClick() {
    if (m_main->projectId().isEmpty()) {
        MessageBox::information(this, QStringLiteral("请先选择或建立新的分班工程"));
        return;
    }
    if (!MessageBox::confirm(this, QStringLiteral("将清空之前的所有数据，确定么？"), QStringLiteral("提示")))
        return;
    auto *progress =
        new ImportProgressDialog(m_main->databasePath(), m_main->projectId().toInt(), gridStudents(), this);
    connect(progress, &ImportProgressDialog::writeEnded, this,
            [this](bool cancelled) { bnt_yes->setEnabled(cancelled); });
    progress->open();
}

void ImportPreviewWindow::Label2Click() {
    FileDialog::openWithDesktop(sampleSpreadsheetPath());
}

} // namespace fenban::gui
