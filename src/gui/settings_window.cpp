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
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

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
    : QWidget(parent), m_db(db), m_settings(db), m_optimiseSettings(db), m_projectId(projectId) {
    setObjectName(QStringLiteral("frm_config"));
    setWindowTitle(QStringLiteral("分班设置"));

    auto *tabs = new QTabWidget(this);
    tabs->addTab(subjectPage(), QStringLiteral("科目设置"));
    tabs->addTab(balancePage(), QStringLiteral("参数设置1"));
    tabs->addTab(tuningPage(), QStringLiteral("参数设置2"));
    tabs->addTab(optimisePage(), QStringLiteral("优化均衡"));
    auto *okButton = new QPushButton(QStringLiteral("确定"), this);
    okButton->setObjectName(QStringLiteral("BitBtn1"));
    connect(okButton, &QPushButton::clicked, this, &SettingsWindow::saveSettings);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(tabs);
    layout->addWidget(okButton, 0, Qt::AlignRight);
}

// The subject boxes choose what the optimiser balances; the division itself does not read them.
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
        QCheckBox *box = checkBox(QStringLiteral("CheckBox%1").arg(i + 1), captions[i],
                                  tickedAtStart.contains(captions[i]), frame);
        boxes->addWidget(box);
        for (std::size_t s = 0; s < subjectCount; ++s) {
            if (captions[i] ==
                QString::fromUtf8(subjects[s].label.data(), qsizetype(subjects[s].label.size())))
                m_subjectBoxes[s] = box;
        }
    }
    // Teachers wondered what these ticks did; now they do one thing, and the window says which.
    auto *note = new QLabel(QStringLiteral("优化均衡只平衡这里勾选的科目；分班本身不看这些勾选"), page);
    note->setObjectName(QStringLiteral("lbSubjectNote"));
    note->setWordWrap(true);
    note->setStyleSheet(QStringLiteral("color: #1f4e79;"));
    auto *layout = new QVBoxLayout(page);
    layout->addWidget(frame);
    layout->addWidget(note);
    return page;
}

QWidget *SettingsWindow::balancePage() {
    auto *page = new QWidget;
    m_sexBalanceBox = checkBox(QStringLiteral("cb_person"), QStringLiteral("男女平均分到每个班"), true, page);
    m_totalAverageBox =
        checkBox(QStringLiteral("cb_total"), QStringLiteral("每班总分平均分要求尽量相同"), true, page);
    m_chineseAverageBox =
        checkBox(QStringLiteral("cb_ch"), QStringLiteral("每班语文平均分要求尽量相同"), true, page);
    m_mathAverageBox =
        checkBox(QStringLiteral("cb_math"), QStringLiteral("每班数学平均分要求尽量相同"), true, page);
    m_englishAverageBox =
        checkBox(QStringLiteral("cb_eng"), QStringLiteral("每班英语平均分要求尽量相同"), true, page);
    m_bandBalanceBox =
        checkBox(QStringLiteral("cb_inter"), QStringLiteral("考虑每科分数线的间隔人数相等"), true, page);
    // The optimiser reads two of these ticks and takes its subjects from another tab; without a word
    // here a teacher would expect it to follow all of them.
    auto *note = new QLabel(
        QStringLiteral("优化均衡时，总分和分数段按这里的勾选平衡，科目按“科目设置”中的勾选平衡"), page);
    note->setObjectName(QStringLiteral("lbOptimiseNote"));
    note->setWordWrap(true);
    note->setStyleSheet(QStringLiteral("color: #1f4e79;"));
    auto *layout = new QVBoxLayout(page);
    for (QCheckBox *box : {m_sexBalanceBox, m_totalAverageBox, m_chineseAverageBox, m_mathAverageBox,
                           m_englishAverageBox, m_bandBalanceBox})
        layout->addWidget(box);
    layout->addWidget(note);
    layout->addStretch();
    return page;
}

QWidget *SettingsWindow::tuningPage() {
    auto *page = new QWidget;
    m_bandWeightEdit = new QLineEdit(QStringLiteral("1"), page);
    m_bandWeightEdit->setObjectName(QStringLiteral("edInter"));
    auto *hint =
        new QLabel(QStringLiteral("数字越大，每科间隔分数人就越接近\n但平均分就偏远，反之，刚好相反"), page);
    auto *manFrame = new QGroupBox(page);
    m_boysFirstBox = checkBox(QStringLiteral("cb_man"), QStringLiteral("先男后女"), false, manFrame);
    auto *manLayout = new QVBoxLayout(manFrame);
    manLayout->addWidget(m_boysFirstBox);
    m_tuningPassesEdit = new QLineEdit(QStringLiteral("50"), page);
    m_tuningPassesEdit->setObjectName(QStringLiteral("edWTNum"));

    auto *layout = new QFormLayout(page);
    layout->addRow(QStringLiteral("分数间隔权重"), m_bandWeightEdit);
    layout->addRow(QString(), hint);
    layout->addRow(manFrame);
    layout->addRow(QStringLiteral("微调次数"), m_tuningPassesEdit);
    return page;
}

QWidget *SettingsWindow::optimisePage() {
    auto *page = new QWidget;
    const store::OptimiseSettings defaults;
    m_optimiseSecondsBox = new QSpinBox(page);
    m_optimiseSecondsBox->setObjectName(QStringLiteral("sbOptimiseSeconds"));
    m_optimiseSecondsBox->setRange(int(store::minOptimiseSeconds), int(store::maxOptimiseSeconds));
    m_optimiseSecondsBox->setSuffix(QStringLiteral(" 秒"));
    m_optimiseSecondsBox->setValue(int(defaults.seconds));
    m_optimiseAfterBox = checkBox(QStringLiteral("cbOptimiseAfter"), QStringLiteral("分班后自动优化均衡"),
                                  defaults.afterDivision, page);
    auto *hint = new QLabel(QStringLiteral("优化均衡从现有分班出发调动学生，使各班人数、男女、分类、"
                                           "各科平均分和分数段尽量相同；固定的学生不动。"),
                            page);
    hint->setWordWrap(true);

    auto *layout = new QFormLayout(page);
    layout->addRow(QStringLiteral("默认优化时间"), m_optimiseSecondsBox);
    layout->addRow(m_optimiseAfterBox);
    layout->addRow(hint);
    return page;
}

void SettingsWindow::showEvent(QShowEvent *event) {
    QWidget::showEvent(event);
    // Loaded once, when first shown: a window brought to the front keeps what the user typed.
    if (!m_loaded) {
        m_loaded = true;
        loadSettings();
    }
}

void SettingsWindow::loadSettings() {
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
        {m_sexBalanceBox, settings.isAvgPerson},      {m_totalAverageBox, settings.isAvgTotal},
        {m_chineseAverageBox, settings.isAvgCh},      {m_mathAverageBox, settings.isAvgMath},
        {m_englishAverageBox, settings.isAvgEng},     {m_bandBalanceBox, settings.isAvgInter},
        {m_boysFirstBox, settings.isMan.value_or(0)},
    };
    for (const auto &[box, value] : flags)
        box->setChecked(value == 1);
    m_bandWeightEdit->setText(settings.inter ? QString::number(*settings.inter) : QString());
    m_tuningPassesEdit->setText(QString::number(settings.wtNum.value_or(0)));

    const auto optimise = m_optimiseSettings.read(m_projectId);
    if (!optimise) {
        MessageBox::error(this, optimise.error());
        return;
    }
    // Seconds stored out of bounds (by hand) show as the nearest bound the box allows, NaN as the default.
    const double seconds = optimise.value().seconds;
    m_optimiseSecondsBox->setValue(
        std::isnan(seconds)
            ? int(store::OptimiseSettings{}.seconds)
            : int(std::lround(std::clamp(seconds, store::minOptimiseSeconds, store::maxOptimiseSeconds))));
    m_optimiseAfterBox->setChecked(optimise.value().afterDivision);
    for (std::size_t s = 0; s < subjectCount; ++s)
        m_subjectBoxes[s]->setChecked(optimise.value().subjects[s]);
}

void SettingsWindow::saveSettings() {
    const auto inter = wholeNumber(m_bandWeightEdit->text());
    const auto wtNum = wholeNumber(m_tuningPassesEdit->text());
    if (!inter || !wtNum) {
        MessageBox::information(this, QStringLiteral("分数间隔权重和微调次数必须是整数"));
        return;
    }
    if (*inter < store::minBandTolerance) {
        MessageBox::information(this, QStringLiteral("分数间隔权重不能小于%1").arg(store::minBandTolerance));
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
        settings.isAvgPerson = m_sexBalanceBox->isChecked() ? 1 : 0;
        settings.isAvgTotal = m_totalAverageBox->isChecked() ? 1 : 0;
        settings.isAvgCh = m_chineseAverageBox->isChecked() ? 1 : 0;
        settings.isAvgMath = m_mathAverageBox->isChecked() ? 1 : 0;
        settings.isAvgEng = m_englishAverageBox->isChecked() ? 1 : 0;
        settings.isAvgInter = m_bandBalanceBox->isChecked() ? 1 : 0;
        settings.isMan = m_boysFirstBox->isChecked() ? 1 : 0;
        settings.inter = inter;
        settings.wtNum = wtNum;
        store::OptimiseSettings optimise;
        optimise.seconds = m_optimiseSecondsBox->value();
        optimise.afterDivision = m_optimiseAfterBox->isChecked();
        for (std::size_t s = 0; s < subjectCount; ++s)
            optimise.subjects[s] = m_subjectBoxes[s]->isChecked();
        if (const auto written = store::writeProjectSettings(m_db, m_projectId, settings, optimise);
            !written) {
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
