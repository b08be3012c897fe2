#include "exchange/sheets/sheet_limits.h"

namespace fenban::exchange::sheet_limits {

QString describe(Limit limit) {
    switch (limit) {
    case Limit::FileSize:
        return QStringLiteral("文件最大 %1 MB").arg(maxFileSize / (1024 * 1024));
    case Limit::Rows:
        return QStringLiteral("最多 %1 行").arg(maxRows);
    case Limit::Columns:
        return QStringLiteral("最多 %1 列").arg(maxColumns);
    case Limit::Cells:
        return QStringLiteral("最多 %1 个非空单元格").arg(maxCells);
    case Limit::CellLength:
        return QStringLiteral("一个单元格最多 %1 个字符").arg(maxCellLength);
    case Limit::TextLength:
        return QStringLiteral("全部文字最多 %1 个字符").arg(maxTextLength);
    case Limit::SharedStrings:
        return QStringLiteral("共享字符串最多 %1 个").arg(maxSharedStrings);
    case Limit::PartSize:
        return QStringLiteral("解压后的每个部件最大 %1 MB").arg(maxPartSize / (1024 * 1024));
    case Limit::XmlTreeSize:
        return QStringLiteral("每个 XML 部件解析后最大 %1 MB").arg(maxXmlTreeSize / (1024 * 1024));
    }
    return {};
}

qint64 xmlTreeEstimate(QByteArrayView xml) {
    // The parser's node and attribute records on a 64-bit system, with room for its page bookkeeping.
    constexpr qint64 nodeSize = 72;
    constexpr qint64 attributeSize = 48;
    qint64 nodes = 1;
    qint64 attributes = 0;
    const qsizetype size = xml.size();
    for (qsizetype i = 0; i < size; ++i) {
        const char c = xml[i];
        if (c == '<') {
            if (i + 1 < size && xml[i + 1] != '/')
                ++nodes; // an element
            if (i > 0 && xml[i - 1] != '>')
                ++nodes; // the text before it
        } else if (c == '=') {
            ++attributes;
        }
    }
    return nodes * nodeSize + attributes * attributeSize;
}

bool BoundedSheet::setCell(int row, int column, QString text) {
    if (m_passed)
        return false;
    const qsizetype previous = m_sheet.cell(row, column).size();
    if (!text.isEmpty()) {
        if (row > maxRows)
            m_passed = Limit::Rows;
        else if (column > maxColumns)
            m_passed = Limit::Columns;
        else if (text.size() > maxCellLength)
            m_passed = Limit::CellLength;
        else if (previous == 0 && m_sheet.cellCount() >= maxCells)
            m_passed = Limit::Cells;
        else if (m_textLength - previous + text.size() > maxTextLength)
            m_passed = Limit::TextLength;
        if (m_passed)
            return false;
    }
    m_textLength += text.size() - previous;
    m_sheet.setCell(row, column, std::move(text));
    return true;
}

Parsed<SheetData> BoundedSheet::result() {
    if (m_passed)
        return Parsed<SheetData>::tooLarge(*m_passed);
    return take();
}

bool StringBudget::take(qsizetype length) {
    if (m_passed)
        return false;
    if (length > maxCellLength)
        m_passed = Limit::CellLength;
    else if (m_count >= maxSharedStrings)
        m_passed = Limit::SharedStrings;
    else if (m_textLength + length > maxTextLength)
        m_passed = Limit::TextLength;
    if (m_passed)
        return false;
    ++m_count;
    m_textLength += length;
    return true;
}

} // namespace fenban::exchange::sheet_limits
