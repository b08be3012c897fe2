#include "exchange/sheets/xlsx_cells.h"

#include "exchange/sheets/xml_names.h"

#include <algorithm>
#include <charconv>
#include <string_view>

namespace fenban::exchange::xlsx {

namespace {

// The largest sheet the format can describe; a reference beyond it is damage. The import's own, much
// smaller limits apply to the cells that hold text.
constexpr int formatRows = 1048576;
constexpr int formatColumns = 16384;

// Blank-only cells must keep their blanks, so whitespace text is not dropped while parsing.
constexpr unsigned parseOptions = pugi::parse_default | pugi::parse_ws_pcdata;

std::string_view trimmed(std::string_view text) {
    while (!text.empty() &&
           (text.front() == ' ' || text.front() == '\t' || text.front() == '\n' || text.front() == '\r'))
        text.remove_prefix(1);
    while (!text.empty() &&
           (text.back() == ' ' || text.back() == '\t' || text.back() == '\n' || text.back() == '\r'))
        text.remove_suffix(1);
    return text;
}

template <typename T> std::optional<T> parseWhole(std::string_view text) {
    T value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty())
        return std::nullopt;
    return value;
}

// "C5" gives row 5, column 3.
bool parseReference(std::string_view reference, int &row, int &column) {
    std::size_t i = 0;
    int letters = 0;
    column = 0;
    while (i < reference.size() && letters < 4) {
        const char c = reference[i];
        if (c >= 'A' && c <= 'Z')
            column = column * 26 + (c - 'A' + 1);
        else if (c >= 'a' && c <= 'z')
            column = column * 26 + (c - 'a' + 1);
        else
            break;
        ++i;
        ++letters;
    }
    const std::optional<int> number = parseWhole<int>(reference.substr(i));
    if (letters == 0 || !number)
        return false;
    row = *number;
    return row >= 1 && row <= formatRows && column >= 1 && column <= formatColumns;
}

int hexDigit(QChar c) {
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

// Characters XML cannot carry are written as "_xHHHH_" (a line break as "_x000D_"), and a literal "_x" as
// "_x005F_x".
QString unescapeCharacters(const QString &text) {
    if (!text.contains(u"_x"))
        return text;
    QString result;
    result.reserve(text.size());
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size;) {
        if (text[i] == u'_' && i + 6 < size && text[i + 1] == u'x' && text[i + 6] == u'_') {
            int code = 0;
            bool hex = true;
            for (qsizetype k = i + 2; k < i + 6 && hex; ++k) {
                const int digit = hexDigit(text[k]);
                hex = digit >= 0;
                code = code * 16 + digit;
            }
            if (hex) {
                result += QChar(char16_t(code));
                i += 7;
                continue;
            }
        }
        result += text[i];
        ++i;
    }
    return result;
}

void appendText(const pugi::xml_node &element, QString &text) {
    for (const pugi::xml_node &node : element.children()) {
        if (node.type() == pugi::node_pcdata || node.type() == pugi::node_cdata)
            text += QString::fromUtf8(node.value());
    }
}

// The text of a shared or inline string: plain, or runs of differently formatted text. The phonetic
// reading that East Asian editions add ("rPh") is a pronunciation aid, not part of the text.
QString stringItemText(const pugi::xml_node &item) {
    QString text;
    for (const pugi::xml_node &node : item.children()) {
        if (xml::is(node, "t")) {
            appendText(node, text);
        } else if (xml::is(node, "r")) {
            for (const pugi::xml_node &part : node.children()) {
                if (xml::is(part, "t"))
                    appendText(part, text);
            }
        }
    }
    return unescapeCharacters(text);
}

QString valueText(const pugi::xml_node &cell) {
    QString text;
    appendText(xml::child(cell, "v"), text);
    return text;
}

// A whole number stored in plain digits, without the leading zeros and the sign of zero. Student
// numbers of 16 to 18 digits are stored so by writers that have them exactly, and a double would
// round them.
std::optional<QString> wholeNumberText(std::string_view stored) {
    const bool negative = !stored.empty() && stored.front() == '-';
    std::string_view digits = negative ? stored.substr(1) : stored;
    if (digits.empty() || !std::ranges::all_of(digits, [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    while (digits.size() > 1 && digits.front() == '0')
        digits.remove_prefix(1);
    const QString text = QString::fromLatin1(digits.data(), qsizetype(digits.size()));
    return negative && digits != "0" ? u'-' + text : text;
}

QString numberCellText(const pugi::xml_node &cell) {
    const QString stored = valueText(cell);
    const QByteArray bytes = stored.toLatin1();
    double value = 0;
    const std::string_view digits = trimmed(std::string_view(bytes.constData(), size_t(bytes.size())));
    if (std::optional<QString> whole = wholeNumberText(digits))
        return *whole;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (digits.empty() || error != std::errc() || end != digits.data() + digits.size())
        return stored; // not a number after all; the user sees what the file holds
    return numberText(value);
}

QString booleanCellText(const pugi::xml_node &cell) {
    const QString stored = valueText(cell).trimmed();
    if (stored == u"1" || stored == u"true")
        return QStringLiteral("TRUE");
    if (stored == u"0" || stored == u"false")
        return QStringLiteral("FALSE");
    return stored;
}

std::optional<QString> cellText(const pugi::xml_node &cell, const QList<QString> &sharedStrings) {
    const std::string_view type = cell.attribute("t").value();
    if (type == "s") {
        const QString stored = valueText(cell);
        if (stored.isEmpty())
            return QString();
        const QByteArray digits = stored.trimmed().toLatin1();
        const auto index = parseWhole<qsizetype>(std::string_view(digits.constData(), size_t(digits.size())));
        if (!index || *index < 0 || *index >= sharedStrings.size())
            return std::nullopt;
        return sharedStrings[*index];
    }
    if (type == "inlineStr") {
        const pugi::xml_node inlineString = xml::child(cell, "is");
        return inlineString ? stringItemText(inlineString) : unescapeCharacters(valueText(cell));
    }
    if (type == "b")
        return booleanCellText(cell);
    if (type == "str")
        return unescapeCharacters(valueText(cell));
    if (type == "e" || type == "d")
        return valueText(cell);
    // A formula that was never calculated has no stored value and stays empty, like a blank cell.
    return numberCellText(cell);
}

} // namespace

Parsed<bool> loadXml(pugi::xml_document &document, QByteArrayView xml, unsigned options) {
    if (sheet_limits::xmlTreeEstimate(xml) > sheet_limits::maxXmlTreeSize)
        return Parsed<bool>::tooLarge(sheet_limits::Limit::XmlTreeSize);
    const pugi::xml_parse_result parsed = document.load_buffer(xml.data(), size_t(xml.size()), options);
    if (parsed.status == pugi::status_out_of_memory)
        return Parsed<bool>::tooLarge(sheet_limits::Limit::XmlTreeSize);
    if (!parsed)
        return Parsed<bool>::damaged();
    return true;
}

Parsed<QList<QString>> parseSharedStrings(QByteArrayView xml) {
    using Strings = Parsed<QList<QString>>;
    pugi::xml_document document;
    if (const Parsed<bool> loaded = loadXml(document, xml, parseOptions); !loaded)
        return loaded.passed() ? Strings::tooLarge(*loaded.passed()) : Strings::damaged();
    // The table's own count is not trusted to size anything; the strings are counted as they come.
    sheet_limits::StringBudget budget;
    QList<QString> strings;
    for (const pugi::xml_node &item : document.document_element().children()) {
        if (!xml::is(item, "si"))
            continue;
        QString text = stringItemText(item);
        if (!budget.take(text.size()))
            return Strings::tooLarge(*budget.passed());
        strings.append(std::move(text));
    }
    return strings;
}

Parsed<SheetData> parseWorksheet(QByteArrayView xml, const QList<QString> &sharedStrings) {
    pugi::xml_document document;
    if (const Parsed<bool> loaded = loadXml(document, xml, parseOptions); !loaded)
        return loaded.passed() ? Parsed<SheetData>::tooLarge(*loaded.passed()) : Parsed<SheetData>::damaged();
    sheet_limits::BoundedSheet sheet;
    const pugi::xml_node sheetData = xml::child(document.document_element(), "sheetData");
    // Writers may leave out the row and cell references; a row without one follows the row before it,
    // a cell without one the cell before it.
    int previousRow = 0;
    for (const pugi::xml_node &rowNode : sheetData.children()) {
        if (!xml::is(rowNode, "row"))
            continue;
        int row = previousRow + 1;
        if (const pugi::xml_attribute reference = rowNode.attribute("r")) {
            const std::optional<int> number = parseWhole<int>(trimmed(reference.value()));
            if (!number)
                return Parsed<SheetData>::damaged();
            row = *number;
        }
        if (row < 1 || row > formatRows)
            return Parsed<SheetData>::damaged();
        int previousColumn = 0;
        for (const pugi::xml_node &cellNode : rowNode.children()) {
            if (!xml::is(cellNode, "c"))
                continue;
            int cellRow = row;
            int column = previousColumn + 1;
            if (const pugi::xml_attribute reference = cellNode.attribute("r")) {
                if (!parseReference(trimmed(reference.value()), cellRow, column))
                    return Parsed<SheetData>::damaged();
            } else if (column > formatColumns) {
                return Parsed<SheetData>::damaged();
            }
            std::optional<QString> text = cellText(cellNode, sharedStrings);
            if (!text)
                return Parsed<SheetData>::damaged();
            if (!sheet.setCell(cellRow, column, std::move(*text)))
                return sheet.result();
            previousColumn = column;
        }
        previousRow = row;
    }
    return sheet.result();
}

} // namespace fenban::exchange::xlsx
