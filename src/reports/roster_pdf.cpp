#include "reports/roster_pdf.h"

#include "exchange/file_output.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QFont>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>

#include <algorithm>
#include <cmath>

namespace fenban::reports {

namespace {

const QString fontFamily = QStringLiteral("Noto Sans CJK SC");
constexpr int pdfResolution = 300;
constexpr double titlePoints = 18.0;
constexpr double textPoints = 10.5;
constexpr double footerPoints = 9.0;
constexpr double rowPadding = 0.5;  // of a line height, shared above and below the text
constexpr double cellPadding = 0.4; // of an em, left of a cell's text

// The Windows build carries the roster font in a folder beside the program, since a PC's own fonts
// may lack it; elsewhere the system has it and the folder does not exist.
void loadFontsBesideProgram() {
    static const bool loaded = [] {
        const QDir folder(QCoreApplication::applicationDirPath() + QStringLiteral("/fonts"));
        const QStringList files = folder.entryList(
            {QStringLiteral("*.ttc"), QStringLiteral("*.ttf"), QStringLiteral("*.otf")}, QDir::Files);
        for (const QString &file : files)
            QFontDatabase::addApplicationFont(folder.filePath(file));
        return true;
    }();
    (void)loaded;
}

QFont fontOf(double points, bool bold = false) {
    loadFontsBesideProgram();
    QFont font(fontFamily);
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

QString cellText(const QVariant &cell) {
    if (cell.typeId() == QMetaType::Double)
        return QString::number(cell.toDouble(), 'g', 15);
    return cell.toString();
}

// Where things go on a page, in device pixels, and how many rows a page holds.
struct Layout {
    QRectF area;
    double titleHeight = 0.0;
    double countHeight = 0.0;
    double rowHeight = 0.0;
    double footerHeight = 0.0;
    QList<double> columnWidths; // sum: the area's width

    // Table rows (header excluded) on the first and on every further page of a class.
    int firstPageRows() const {
        return std::max(1, int((tableHeight() - titleHeight - countHeight) / rowHeight) - 1);
    }
    int laterPageRows() const { return std::max(1, int(tableHeight() / rowHeight) - 1); }
    double tableHeight() const { return area.height() - footerHeight; }
};

Layout layoutFor(const Roster &roster, QPaintDevice &device, const QRectF &area) {
    Layout layout;
    layout.area = area;
    const QFontMetricsF title(fontOf(titlePoints, true), &device);
    const QFontMetricsF text(fontOf(textPoints), &device);
    const QFontMetricsF footer(fontOf(footerPoints), &device);
    layout.titleHeight = title.height() * 1.8;
    layout.countHeight = text.height() * 1.8;
    layout.rowHeight = text.height() * (1.0 + rowPadding);
    layout.footerHeight = footer.height() * 2.0;
    // Columns as wide as their widest text, then stretched to the page's width.
    const double em = text.horizontalAdvance(QStringLiteral("中"));
    QList<double> natural;
    for (const QString &column : roster.columns)
        natural.append(text.horizontalAdvance(column) + 2 * cellPadding * em);
    for (const RosterClass &page : roster.classes) {
        for (const QVariantList &row : page.rows) {
            for (qsizetype column = 0; column < row.size() && column < natural.size(); ++column)
                natural[column] = std::max(natural[column], text.horizontalAdvance(cellText(row[column])) +
                                                                2 * cellPadding * em);
        }
    }
    double sum = 0.0;
    for (const double width : natural)
        sum += width;
    for (const double width : natural)
        layout.columnWidths.append(sum > 0.0 ? width * area.width() / sum : 0.0);
    return layout;
}

// The rows of each page: a class starts a new page, a long class goes on over further pages.
struct PagePlan {
    int classIndex = 0;
    int firstRow = 0;
    int rowCount = 0;
    bool firstOfClass = true;
};

QList<PagePlan> planPages(const Roster &roster, const Layout &layout) {
    QList<PagePlan> pages;
    for (qsizetype index = 0; index < roster.classes.size(); ++index) {
        const int rows = roster.classes[index].size();
        int row = 0;
        bool first = true;
        do {
            const int room = first ? layout.firstPageRows() : layout.laterPageRows();
            const int taken = std::min(room, rows - row);
            pages.append({int(index), row, taken, first});
            row += taken;
            first = false;
        } while (row < rows);
    }
    return pages;
}

void paintRow(QPainter &painter, const Layout &layout, double top, const QStringList &cells) {
    const QFontMetricsF metrics(painter.font(), painter.device());
    const double em = metrics.horizontalAdvance(QStringLiteral("中"));
    double left = layout.area.left();
    for (qsizetype column = 0; column < layout.columnWidths.size(); ++column) {
        const double width = layout.columnWidths[column];
        const QRectF cell(left + cellPadding * em, top, width - cellPadding * em, layout.rowHeight);
        painter.drawText(cell, Qt::AlignLeft | Qt::AlignVCenter,
                         column < cells.size() ? cells[column] : QString());
        left += width;
    }
    painter.drawLine(QPointF(layout.area.left(), top + layout.rowHeight),
                     QPointF(layout.area.right(), top + layout.rowHeight));
}

void paintPage(QPainter &painter, const Roster &roster, const Layout &layout, const PagePlan &plan,
               int number, int count, const QDate &date) {
    const RosterClass &page = roster.classes[plan.classIndex];
    double top = layout.area.top();
    if (plan.firstOfClass) {
        painter.setFont(fontOf(titlePoints, true));
        painter.drawText(QRectF(layout.area.left(), top, layout.area.width(), layout.titleHeight),
                         Qt::AlignCenter, page.title);
        top += layout.titleHeight;
        painter.setFont(fontOf(textPoints));
        painter.drawText(QRectF(layout.area.left(), top, layout.area.width(), layout.countHeight),
                         Qt::AlignLeft | Qt::AlignVCenter, page.countLine);
        top += layout.countHeight;
    }
    const double tableTop = top;
    painter.setFont(fontOf(textPoints, true));
    painter.drawLine(QPointF(layout.area.left(), top), QPointF(layout.area.right(), top));
    paintRow(painter, layout, top, roster.columns);
    top += layout.rowHeight;
    painter.setFont(fontOf(textPoints));
    for (int row = plan.firstRow; row < plan.firstRow + plan.rowCount; ++row) {
        QStringList cells;
        for (const QVariant &cell : page.rows[row])
            cells.append(cellText(cell));
        paintRow(painter, layout, top, cells);
        top += layout.rowHeight;
    }
    // The ruling between the columns, down the whole table.
    double left = layout.area.left();
    painter.drawLine(QPointF(left, tableTop), QPointF(left, top));
    for (const double width : layout.columnWidths) {
        left += width;
        painter.drawLine(QPointF(left, tableTop), QPointF(left, top));
    }
    painter.setFont(fontOf(footerPoints));
    const QRectF footer(layout.area.left(), layout.area.bottom() - layout.footerHeight, layout.area.width(),
                        layout.footerHeight);
    painter.drawText(footer, Qt::AlignCenter | Qt::AlignBottom,
                     QStringLiteral("第%1页 共%2页").arg(number).arg(count));
    painter.drawText(footer, Qt::AlignRight | Qt::AlignBottom, date.toString(QStringLiteral("yyyy-MM-dd")));
}

void setUpPage(QPagedPaintDevice &device) {
    device.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                     QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter));
}

} // namespace

int paintRoster(const Roster &roster, QPagedPaintDevice &device, const QDate &date) {
    setUpPage(device);
    QPainter painter(&device);
    if (!painter.isActive())
        return 0;
    // The painter starts at the margins' corner.
    const QRectF area(QPointF(0, 0), device.pageLayout().paintRectPixels(device.logicalDpiX()).size());
    const Layout layout = layoutFor(roster, device, area);
    const QList<PagePlan> pages = planPages(roster, layout);
    for (qsizetype index = 0; index < pages.size(); ++index) {
        if (index > 0)
            device.newPage();
        paintPage(painter, roster, layout, pages[index], int(index) + 1, int(pages.size()), date);
    }
    return int(pages.size());
}

int rosterPageCount(const Roster &roster) {
    QBuffer sink;
    sink.open(QIODevice::WriteOnly);
    QPdfWriter writer(&sink);
    writer.setResolution(pdfResolution);
    setUpPage(writer);
    const QRectF area(QPointF(0, 0), writer.pageLayout().paintRectPixels(writer.resolution()).size());
    return int(planPages(roster, layoutFor(roster, writer, area)).size());
}

store::Status writeRosterPdf(const Roster &roster, const QString &path, const QDate &date) {
    if (const store::Status checked = exchange::checkTarget(path); !checked)
        return checked;
    QBuffer bytes;
    bytes.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&bytes);
        writer.setResolution(pdfResolution);
        writer.setCreator(QStringLiteral("fenban"));
        writer.setTitle(roster.classes.isEmpty() ? QString() : roster.classes.first().title);
        if (paintRoster(roster, writer, date) == 0)
            return store::Status::failure(QStringLiteral("无法写入文件 %1: 无法生成PDF").arg(path));
    }
    return exchange::replaceFile(path, bytes.data());
}

} // namespace fenban::reports
