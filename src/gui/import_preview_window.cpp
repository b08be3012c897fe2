#include "gui/import_preview_window.h"

#include "app/import_service.h"
#include "exchange/sheets/sheet.h"
#include "gui/file_dialog.h"
#include "gui/import_progress_dialog.h"
#include "gui/message_box.h"
#include "gui/project_context.h"

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

ImportPreviewWindow::ImportPreviewWindow(std::shared_ptr<const ProjectContext> context, QWidget *parent)
    : QWidget(parent), m_context(std::move(context)) {
    setObjectName(QStringLiteral("frm_excelToDb"));
    setWindowTitle(QStringLiteral("导入数据浏览"));
    buildWidgets();
}

void ImportPreviewWindow::buildWidgets() {
    m_studentGrid = new QTableWidget(1, gridColumns, this);
    m_studentGrid->setObjectName(QStringLiteral("sgStudent"));
    m_studentGrid->setHorizontalHeaderLabels(QStringList{QString()} + exchange::importHeaders());
    m_studentGrid->verticalHeader()->hide();
    m_studentGrid->setColumnWidth(0, 30);
    m_studentGrid->horizontalHeader()->setSectionsMovable(true);
    m_studentGrid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_studentGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);

    m_openButton = new QPushButton(QStringLiteral("打开"), this);
    m_openButton->setObjectName(QStringLiteral("Button1"));
    m_importButton = new QPushButton(QStringLiteral("导入到库"), this);
    m_importButton->setObjectName(QStringLiteral("bnt_yes"));
    m_importButton->setEnabled(false);
    m_countLabel = new QLabel(this);
    m_countLabel->setObjectName(QStringLiteral("lb_info"));
    m_sampleLink = new QLabel(QStringLiteral("点击这里打开分班数据样表(请另存一份后再录入数据)"), this);
    m_sampleLink->setObjectName(QStringLiteral("Label2"));
    m_sampleLink->setStyleSheet(QStringLiteral("color: navy; text-decoration: underline;"));
    m_sampleLink->setCursor(Qt::PointingHandCursor);
    m_sampleLink->installEventFilter(this);

    auto *controls = new QHBoxLayout;
    controls->addWidget(m_openButton);
    controls->addWidget(m_importButton);
    controls->addWidget(m_countLabel);
    controls->addStretch();
    controls->addWidget(m_sampleLink);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(controls);
    layout->addWidget(m_studentGrid);
    resize(900, 500);

    connect(m_openButton, &QPushButton::clicked, this, &ImportPreviewWindow::chooseFile);
    connect(m_importButton, &QPushButton::clicked, this, &ImportPreviewWindow::importRows);
}

bool ImportPreviewWindow::eventFilter(QObject *watched, QEvent *event) {
    if (watched == m_sampleLink && event->type() == QEvent::MouseButtonRelease) {
        openSample();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void ImportPreviewWindow::chooseFile() {
    if (!m_context->hasProject()) {
        MessageBox::information(this, QStringLiteral("请先选择或建立新的分班工程"));
        return;
    }
    const QString path = FileDialog::openFileName(this, QStringLiteral("打开学生数据"),
                                                  QStringLiteral("电子表格 (*.xls *.xlsx *.csv)"));
    if (path.isEmpty())
        return;
    load(path);
}

void ImportPreviewWindow::load(const QString &path) {
    setLoading(true);
    // Reading runs off the window's thread; the result is dropped if the window is gone by then.
    auto sheet = std::make_shared<std::optional<store::Result<exchange::ImportSheet>>>();
    QThread *reader = QThread::create([path, sheet] { *sheet = app::readImportFile(path); });
    connect(reader, &QThread::finished, reader, &QObject::deleteLater);
    connect(reader, &QThread::finished, this, [this, sheet] {
        setLoading(false);
        if (!sheet->has_value() || !sheet->value()) {
            MessageBox::error(this,
                              sheet->has_value() ? sheet->value().error() : QStringLiteral("读取文件失败"));
        } else {
            fillGrid(sheet->value().value());
            m_importButton->setEnabled(true);
        }
        emit loadEnded();
    });
    reader->start();
}

void ImportPreviewWindow::setLoading(bool loading) {
    m_loading = loading;
    m_openButton->setEnabled(!loading);
    if (loading)
        m_importButton->setEnabled(false);
    setCursor(loading ? Qt::BusyCursor : Qt::ArrowCursor);
}

void ImportPreviewWindow::fillGrid(const exchange::ImportSheet &sheet) {
    // A file without any student row leaves the grid as it was.
    if (sheet.students.isEmpty())
        return;
    QList<exchange::ImportRow> rows = sheet.students;
    rows.append(sheet.terminator);
    m_studentGrid->setUpdatesEnabled(false);
    m_studentGrid->clearContents();
    m_studentGrid->setRowCount(static_cast<int>(rows.size()));
    // The division places students by sex: one without it stays out of every class.
    const int sexColumn = static_cast<int>(exchange::importHeaders().indexOf(QStringLiteral("性别")));
    int withoutSex = 0;
    for (int r = 0; r < rows.size(); ++r) {
        m_studentGrid->setItem(r, 0, readOnlyItem(QString::number(r + 1)));
        for (int c = 0; c < exchange::importColumnCount; ++c)
            m_studentGrid->setItem(r, c + 1, readOnlyItem(rows[r].cells[c]));
        if (r < sheet.students.size() && rows[r].cells.value(sexColumn).trimmed().isEmpty()) {
            QTableWidgetItem *sex = m_studentGrid->item(r, sexColumn + 1);
            sex->setBackground(withoutSexColor);
            sex->setToolTip(QStringLiteral("性别为空，分班时不会分入任何班级"));
            ++withoutSex;
        }
    }
    m_studentGrid->setUpdatesEnabled(true);
    m_studentGrid->setCurrentCell(static_cast<int>(rows.size()) - 1, 1);

    QString count = QStringLiteral("已导入的总记录数:%1条").arg(sheet.students.size());
    if (withoutSex > 0)
        count += QStringLiteral("，其中%1名学生性别为空，分班时不会分入任何班级").arg(withoutSex);
    emit rowsCounted(count);
    m_countLabel->setText(count + QStringLiteral("   "));
}

QList<exchange::ImportRow> ImportPreviewWindow::gridStudents() const {
    const QHeaderView *header = m_studentGrid->horizontalHeader();
    QList<exchange::ImportRow> rows;
    // Every row but the last, the terminating one; cells go by the position the user sees, so a
    // column dragged elsewhere feeds the field of its new place.
    for (int r = 0; r + 1 < m_studentGrid->rowCount(); ++r) {
        exchange::ImportRow row{r + 2, {}};
        for (int visual = 1; visual < gridColumns; ++visual) {
            const QTableWidgetItem *item = m_studentGrid->item(r, header->logicalIndex(visual));
            row.cells.append(item ? item->text() : QString());
        }
        rows.append(row);
    }
    return rows;
}

void ImportPreviewWindow::importRows() {
    if (!m_context->hasProject()) {
        MessageBox::information(this, QStringLiteral("请先选择或建立新的分班工程"));
        return;
    }
    if (!MessageBox::confirm(this, QStringLiteral("将清空之前的所有数据，确定么？"), QStringLiteral("提示")))
        return;
    auto *progress =
        new ImportProgressDialog(m_context->databasePath(), m_context->projectId(), gridStudents(), this);
    connect(progress, &ImportProgressDialog::writeEnded, this, [this](bool cancelled) {
        m_importButton->setEnabled(cancelled);
        emit studentsWritten();
    });
    progress->open();
}

void ImportPreviewWindow::openSample() {
    FileDialog::openWithDesktop(this, sampleSpreadsheetPath());
}

} // namespace fenban::gui
