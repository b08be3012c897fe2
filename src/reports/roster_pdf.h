#pragma once

#include "reports/roster.h"
#include "store/result.h"

#include <QDate>
#include <QString>

class QPagedPaintDevice;

namespace fenban::reports {

// Paints the roster on A4 portrait pages of `device` (a PDF writer or a printer): every class on
// a page of its own, its title, count line and table, the header repeated on each further page of
// the class; the footer "第p页 共n页" and `date`. Gives the number of pages painted.
int paintRoster(const Roster &roster, QPagedPaintDevice &device, const QDate &date = QDate::currentDate());

// How many pages paintRoster needs on A4 at the PDF writer's resolution.
int rosterPageCount(const Roster &roster);

// Writes the roster as a PDF with its glyphs embedded; the file appears whole or not at all.
// Needs a QGuiApplication for the fonts.
store::Status writeRosterPdf(const Roster &roster, const QString &path,
                             const QDate &date = QDate::currentDate());

} // namespace fenban::reports
