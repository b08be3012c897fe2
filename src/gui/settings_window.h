#pragma once

#include "engine/subject.h"
#include "store/optimise_settings.h"
#include "store/settings.h"

#include <QWidget>

#include <array>

class QCheckBox;
class QLineEdit;
class QSpinBox;

namespace fenban::gui {

// The settings window: shows and edits the balance rules of the current project and how its
// classes are evened out afterwards.
class SettingsWindow : public QWidget {
    Q_OBJECT

public:
    SettingsWindow(QSqlDatabase db, int projectId, QWidget *parent = nullptr);

protected:
    void showEvent(QShowEvent *event) override;

private:
    QWidget *subjectPage();
    QWidget *balancePage();
    QWidget *tuningPage();
    QWidget *optimisePage();
    void loadSettings();
    void saveSettings();
    void closeWindow();

    QSqlDatabase m_db;
    store::SettingsStore m_settings;
    store::OptimiseSettingsStore m_optimiseSettings;
    int m_projectId;
    bool m_loaded = false;

    QCheckBox *m_sexBalanceBox = nullptr;
    QCheckBox *m_totalAverageBox = nullptr;
    QCheckBox *m_chineseAverageBox = nullptr;
    QCheckBox *m_mathAverageBox = nullptr;
    QCheckBox *m_englishAverageBox = nullptr;
    QCheckBox *m_bandBalanceBox = nullptr;
    QCheckBox *m_boysFirstBox = nullptr;
    QLineEdit *m_bandWeightEdit = nullptr;
    QLineEdit *m_tuningPassesEdit = nullptr;
    QSpinBox *m_optimiseSecondsBox = nullptr;
    QCheckBox *m_optimiseAfterBox = nullptr;
    std::array<QCheckBox *, subjectCount> m_subjectBoxes{}; // CheckBox1–9, in subject order
};

} // namespace fenban::gui
