#include "gui/settings_window.h"

#include "gui/message_box.h"
#include "store/limits.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace fenban::gui {

namespace {

QCheckBox *checkBox(const QString &name, const QString &caption, bool checked, QWidget *parent) {
    auto *box = new QCheckBox(caption, parent);
    box->setObjectName(name);
    box->setChecked(checked);
    return box;
}

std::optional<int> wholeNumber(const QString &text) {
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    return ok ? std::optional<int>(value) : std::nullopt;
}

} // namespace

SettingsWindow::SettingsWindow(QSqlDatabase db, int projectId, QWidget *parent)
    : QWidget(parent), m_settings(std::move(db)), m_projectId(projectId) {
    setObjectName(QStringLiteral("frm_config"));
    setWindowTitle(QStringLiteral("分班设置"));

    auto *tabs = new QTabWidget(this);
    tabs->addTab(subjectPage(), QStringLiteral("科目设置"));
    tabs->addTab(balancePage(), QStringLiteral("参数设置1"));
    tabs->addTab(tuningPage(), QStringLiteral("参数设置2"));
    auto *bitBtn1 = new QPushButton(QStringLiteral("确定"), this);
    bitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    connect(bitBtn1, &QPushButton::clicked, this, &SettingsWindow::BitBtn1Click);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(tabs);
    layout->addWidget(bitBtn1, 0, Qt::AlignRight);
}

// The subject boxes are shown as the school expects them, but no part of the division reads them.
QWidget *SettingsWindow::subjectPage() {
    auto *page = new QWidget;
    auto *frame = new QGroupBox(QStringLiteral("参加分班的科目设置"), page);
    auto *boxes = new QVBoxLayout(frame);
    const QStringList captions{QStringLiteral("语文"), QStringLiteral("数学"), QStringLiteral("英语"),
                               QStringLiteral("物理"), QStringLiteral("体育"), QStringLiteral("生物"),
                               QStringLiteral("地理"), QStringLiteral("历史"), QStringLiteral("政治")};
    const QStringList tickedAtStart{QStringLiteral("语文"), QStringLiteral("数学"), QStringLiteral("英语"),
                                    QStringLiteral("物理"), QStringLiteral("政治")};
    for (int i = 0; i < captions.size(); ++i) {
        boxes->addWidget(checkBox(QStringLiteral("CheckBox%1").arg(i + 1), captions[i],
                                  tickedAtStart.contains(captions[i]), frame));
    }
    auto *layout = new QVBoxLayout(page);
    layout->addWidget(frame);
    return page;
}

QWidget *SettingsWindow::balancePage() {
    auto *page = new QWidget;
    cb_person = checkBox(QStringLiteral("cb_person"), QStringLiteral("男女平均分到每个班"), true, page);
    cb_total = checkBox(QStringLiteral("cb_total"), QStringLiteral("每班总分平均分要求尽量相同"), true, page);
    cb_ch = checkBox(QStringLiteral("cb_ch"), QStringLiteral("每班语文平均分要求尽量相同"), true, page);
    cb_math = checkBox(QStringLiteral("cb_math"), QStringLiteral("每班数学平均分要求尽量相同"), true, page);
    cb_eng = checkBox(QStringLiteral("cb_eng"), QStringLiteral("每班英语平均分要求尽量相同"), true, page);
    cb_inter =
        checkBox(QStringLiteral("cb_inter"), QStringLiteral("考虑每科分数线的间隔人数相等"), true, page);
    auto *layout = new QVBoxLayout(page);
    for (QCheckBox *box : {cb_person, cb_total, cb_ch, cb_math, cb_eng, cb_inter})
        layout->addWidget(box);
    layout->addStretch();
    return page;
}

QWidget *SettingsWindow::tuningPage() {
    auto *page = new QWidget;
    edInter = new QLineEdit(QStringLiteral("1"), page);
    edInter->setObjectName(QStringLiteral("edInter"));
    auto *hint =
        new QLabel(QStringLiteral("数字越大，每科间隔分数人就越接近\n但平均分就偏远，反之，刚好相反"), page);
    auto *manFrame = new QGroupBox(page);
    cb_man = checkBox(QStringLiteral("cb_man"), QStringLiteral("先男后女"), false, manFrame);
    auto *manLayout = new QVBoxLayout(manFrame);
    manLayout->addWidget(cb_man);
    edWTNum = new QLineEdit(QStringLiteral("50"), page);
    edWTNum->setObjectName(QStringLiteral("edWTNum"));

    auto *layout = new QFormLayout(page);
    layout->addRow(QStringLiteral("分数间隔权重"), edInter);
    layout->addRow(QString(), hint);
    layout->addRow(manFrame);
    layout->addRow(QStringLiteral("微调次数"), edWTNum);
    return page;
}

void SettingsWindow::showEvent(QShowEvent *event) {
    QWidget::showEvent(event);
    // Loaded once, when first shown: a window brought to the front keeps what the user typed.
    if (!m_loaded) {
        m_loaded = true;
        FormShow();
    }
}

void SettingsWindow::FormShow() {
    const auto stored = m_settings.read(m_projectId);
    if (!stored) {
        MessageBox::error(this, stored.error());
        return;
    }
    if (!stored.value()) {
        MessageBox::error(this, QStringLiteral("不存在该班别的参数设置"));
        return;
    }
    const store::ProjectSettings &settings = *stored.value();
    const QList<std::pair<QCheckBox *, int>> flags{
        {cb_person, settings.isAvgPerson},
        {cb_total, settings.isAvgTotal},
        {cb_ch, settings.isAvgCh},
        {cb_math, settings.isAvgMath},
        {cb_eng, settings.isAvgEng},
        {cb_inter, settings.isAvgInter},
        {cb_man, settings.isMan.value_or(0)},
    };
    for (const auto &[box, value] : flags)
        box->setChecked(value == 1);
    edInter->setText(settings.inter ? QString::number(*settings.inter) : QString());
    edWTNum->setText(QString::number(settings.wtNum.value_or(0)));
}

void SettingsWindow::BitBtn1Click() {
    const auto inter = wholeNumber(edInter->text());
    const auto wtNum = wholeNumber(edWTNum->text());
    if (!inter || !wtNum) {
        MessageBox::information(this, QStringLiteral("分数间隔权重和微调次数必须是整数"));
        return;
    }
    // Below 0 means no fine-tuning; above the bound a division would only repeat idle passes for hours.
    if (*wtNum > store::maxTuningPasses) {
        MessageBox::information(this, QStringLiteral("微调次数不能超过%1").arg(store::maxTuningPasses));
        return;
    }
    const auto stored = m_settings.read(m_projectId);
    if (!stored) {
        MessageBox::error(this, stored.error());
        return;
    }
    if (stored.value()) {
        store::ProjectSettings settings;
        settings.isAvgPerson = cb_person->isChecked() ? 1 : 0;
        settings.isAvgTotal = cb_total->isChecked() ? 1 : 0;
        settings.isAvgCh = cb_ch->isChecked() ? 1 : 0;
        settings.isAvgMath = cb_math->isChecked() ? 1 : 0;
        settings.isAvgEng = cb_eng->isChecked() ? 1 : 0;
        settings.isAvgInter = cb_inter->isChecked() ? 1 : 0;
        settings.isMan = cb_man->isChecked() ? 1 : 0;
        settings.inter = inter;
        settings.wtNum = wtNum;
        if (const auto written = m_settings.write(m_projectId, settings); !written) {
            MessageBox::error(this, written.error());
            return;
        }
    }
    closeWindow();
}

void SettingsWindow::closeWindow() {
    if (auto *frame = qobject_cast<QMdiSubWindow *>(parentWidget()))
        frame->close();
    else
        close();
}

} // namespace fenban::gui
