#include "gui/roster_dialog.h"

#include "reports/roster_pdf.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace fenban::gui {

namespace {

RosterPreview &rosterPreview() {
    static RosterPreview preview;
    return preview;
}

constexpr int checkBoxesPerRow = 4;

} // namespace

RosterDialog::RosterDialog(QWidget *parent) : QDialog(parent) {
    setObjectName(QStringLiteral("RosterDialog"));
    setWindowTitle(QStringLiteral("打印分班名单"));
    auto *layout = new QVBoxLayout(this);

    auto *columnsBox = new QGroupBox(QStringLiteral("列"), this);
    auto *grid = new QGridLayout(columnsBox);
    const QStringList chosen = reports::RosterOptions::defaultColumns();
    const QStringList offered = reports::rosterColumns();
    for (qsizetype index = 0; index < offered.size(); ++index) {
        auto *box = new QCheckBox(offered[index], columnsBox);
        box->setObjectName(QStringLiteral("chkRosterColumn%1").arg(index));
        box->setChecked(chosen.contains(offered[index]));
        grid->addWidget(box, int(index) / checkBoxesPerRow, int(index) % checkBoxesPerRow);
        m_columns.append(box);
    }
    layout->addWidget(columnsBox);

    auto *sortBox = new QGroupBox(QStringLiteral("排序"), this);
    auto *sortLayout = new QHBoxLayout(sortBox);
    m_byNumber = new QRadioButton(QStringLiteral("按学号"), sortBox);
    m_byNumber->setObjectName(QStringLiteral("radSortNumber"));
    m_byNumber->setChecked(true);
    m_byName = new QRadioButton(QStringLiteral("按姓名"), sortBox);
    m_byName->setObjectName(QStringLiteral("radSortName"));
    sortLayout->addWidget(m_byNumber);
    sortLayout->addWidget(m_byName);
    layout->addWidget(sortBox);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("预览"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("取消"));
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    // A roster without columns would print empty tables.
    auto updateOk = [this, buttons] {
        buttons->button(QDialogButtonBox::Ok)->setEnabled(!options().columns.isEmpty());
    };
    for (QCheckBox *box : m_columns)
        connect(box, &QCheckBox::toggled, this, updateOk);
}

reports::RosterOptions RosterDialog::options() const {
    reports::RosterOptions options;
    options.columns.clear();
    for (const QCheckBox *box : m_columns) {
        if (box->isChecked())
            options.columns.append(box->text());
    }
    options.sort = m_byName->isChecked() ? reports::RosterSort::Name : reports::RosterSort::Number;
    return options;
}

void setRosterPreview(RosterPreview preview) {
    rosterPreview() = std::move(preview);
}

void previewRoster(QWidget *parent, const reports::Roster &roster) {
    if (rosterPreview()) {
        rosterPreview()(parent, roster);
        return;
    }
    QPrinter printer(QPrinter::HighResolution);
    QPrintPreviewDialog preview(&printer, parent);
    preview.setWindowTitle(QStringLiteral("打印分班名单"));
    QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, &preview,
                     [&roster](QPrinter *target) { reports::paintRoster(roster, *target); });
    preview.exec();
}

} // namespace fenban::gui
