#pragma once

#include "reports/roster.h"

#include <QDialog>
#include <QList>

#include <functional>

class QCheckBox;
class QRadioButton;

namespace fenban::gui {

// The choices before printing rosters: which columns, in the order offered, and the sort.
class RosterDialog : public QDialog {
    Q_OBJECT

public:
    explicit RosterDialog(QWidget *parent = nullptr);

    reports::RosterOptions options() const;

private:
    QList<QCheckBox *> m_columns;
    QRadioButton *m_byNumber = nullptr;
    QRadioButton *m_byName = nullptr;
};

// Shows the print preview of the roster, from which it is printed or saved as PDF. Tests put
// something else in its place so that no real preview waits for a person; empty: the real one.
using RosterPreview = std::function<void(QWidget *parent, const reports::Roster &roster)>;
void setRosterPreview(RosterPreview preview);
void previewRoster(QWidget *parent, const reports::Roster &roster);

} // namespace fenban::gui
