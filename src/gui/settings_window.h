#pragma once

#include "store/settings.h"

#include <QWidget>

class QCheckBox;
class QLineEdit;

namespace fenban::gui {

// The settings window: shows and edits the balance rules of the current project.
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
    void loadSettings();
    void saveSettings();
    void closeWindow();

    store::SettingsStore m_settings;
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
};

} // namespace fenban::gui
