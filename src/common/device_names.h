#pragma once

#include <QString>
#include <QStringList>

namespace fenban {

// Whether Windows takes `path` for a device rather than a file: a reserved name as its last part
// (CON, PRN, AUX, NUL, COM1-9, LPT1-9, CONIN$, CONOUT$; in any case, with any extension, trailing
// dots and spaces ignored) or a path into the device namespace (\\.\ ...). Opening one would
// read a console or a port instead of a file, and writing one would send a workbook or a database
// to it. Plain text, so it is decided the same on every system.
inline bool isWindowsDeviceName(const QString &path) {
    QString native = path;
    native.replace(QLatin1Char('/'), QLatin1Char('\\'));
    if (native.startsWith(QStringLiteral("\\\\.\\")))
        return true;
    // \\?\ only lifts the length limit for a drive or a share; anything else behind it is a device.
    if (native.startsWith(QStringLiteral("\\\\?\\"))) {
        const QString rest = native.mid(4);
        const bool drive = rest.size() >= 2 && rest[0].isLetter() && rest[1] == QLatin1Char(':');
        if (!drive && !rest.startsWith(QStringLiteral("UNC\\"), Qt::CaseInsensitive))
            return true;
    }
    QString name = native.mid(native.lastIndexOf(QLatin1Char('\\')) + 1);
    if (name.size() >= 2 && name[1] == QLatin1Char(':') && !native.contains(QLatin1Char('\\')))
        name = name.mid(2);
    // "nul.txt" and "nul .xlsx" name the device as well: only what comes before the first dot counts.
    name = name.left(name.indexOf(QLatin1Char('.')));
    while (name.endsWith(QLatin1Char(' ')))
        name.chop(1);
    name = name.toUpper();
    static const QStringList plain{QStringLiteral("CON"),    QStringLiteral("PRN"),
                                   QStringLiteral("AUX"),    QStringLiteral("NUL"),
                                   QStringLiteral("CONIN$"), QStringLiteral("CONOUT$")};
    if (plain.contains(name))
        return true;
    if (name.size() == 4 &&
        (name.startsWith(QStringLiteral("COM")) || name.startsWith(QStringLiteral("LPT")))) {
        const QChar digit = name[3];
        return (digit >= QLatin1Char('1') && digit <= QLatin1Char('9')) || digit == QChar(0x00B9) ||
               digit == QChar(0x00B2) || digit == QChar(0x00B3);
    }
    return false;
}

} // namespace fenban
