#pragma once

#include <QString>
#include <QStringList>

namespace fenban::cli {

// A field of tab-separated output with its control characters written as backslash escapes
// ("\t", "\n", "\r", "\\", "\u001b"), so that a text stored by an older version or by hand can
// neither add a column nor forge a line. Other text is left as it is.
QString escapedField(const QString &field);

// One record: the escaped fields joined by tabs, without the line end.
QString tabSeparatedLine(const QStringList &fields);

} // namespace fenban::cli
