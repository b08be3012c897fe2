#pragma once

#include <QByteArrayView>

namespace fenban::exchange {

enum class ContentKind {
    OleContainer, // the container of binary workbooks, and of every encrypted workbook
    ZipPackage,   // the package of XML workbooks
    Text,
    Markup, // a web page or XML file saved under a spreadsheet's name
    Binary,
};

// Judges a file by its first bytes; a few kilobytes suffice.
ContentKind classifyContent(QByteArrayView head);

} // namespace fenban::exchange
