#include "exchange/sheets/xlsx_reader.h"

#include "exchange/sheets/sheet_errors.h"
#include "exchange/sheets/sheet_file.h"
#include "exchange/sheets/xlsx_cells.h"
#include "exchange/sheets/xml_names.h"
#include "exchange/sheets/zip_package.h"

#include <QList>
#include <QUrl>

namespace fenban::exchange {

namespace {

struct Relationship {
    QString id;
    QString type;
    QString target; // the part's name inside the package
};

// A relationship target is relative to the folder of the part that holds the relationship, unless it
// starts at the package root.
QString resolvePartName(const QString &sourcePart, const QString &target) {
    const QString decoded = QUrl::fromPercentEncoding(target.toUtf8());
    QStringList segments;
    if (!decoded.startsWith(u'/')) {
        segments = sourcePart.split(u'/');
        segments.removeLast();
    }
    for (const QString &segment : decoded.split(u'/', Qt::SkipEmptyParts)) {
        if (segment == u"..") {
            if (!segments.isEmpty())
                segments.removeLast();
        } else if (segment != u".") {
            segments.append(segment);
        }
    }
    return segments.join(u'/');
}

QString relationshipsPartOf(const QString &part) {
    const qsizetype slash = part.lastIndexOf(u'/');
    return part.left(slash + 1) + QStringLiteral("_rels/") + part.mid(slash + 1) + QStringLiteral(".rels");
}

QString attributeText(const pugi::xml_attribute &attribute) {
    return QString::fromUtf8(attribute.value());
}

// Relationship types differ between the transitional and the strict namespace only before the last "/".
bool hasType(const Relationship &relationship, QStringView kind) {
    const QString &type = relationship.type;
    return type.size() > kind.size() && type.endsWith(kind) && type[type.size() - kind.size() - 1] == u'/';
}

class PackageReader {
public:
    PackageReader(const QString &path, const ZipPackage &package) : m_path(path), m_package(package) {}

    Result<SheetData> firstSheet() {
        const QString workbook = workbookPart();
        if (m_passed)
            return failed();
        const std::optional<QList<Relationship>> relationships = readRelationships(workbook);
        if (!relationships)
            return failed();
        const std::optional<QString> sheetPart = firstWorksheetPart(workbook, *relationships);
        if (!sheetPart)
            return failed();

        QList<QString> sharedStrings;
        for (const Relationship &relationship : *relationships) {
            if (!hasType(relationship, u"sharedStrings"))
                continue;
            const std::optional<QByteArray> xml = readPart(relationship.target);
            if (!xml)
                return failed();
            xlsx::Parsed<QList<QString>> strings = xlsx::parseSharedStrings(*xml);
            if (!strings)
                return failed(strings.passed());
            sharedStrings = std::move(*strings);
            break;
        }

        const std::optional<QByteArray> sheetXml = readPart(*sheetPart);
        if (!sheetXml)
            return failed();
        xlsx::Parsed<SheetData> sheet = xlsx::parseWorksheet(*sheetXml, sharedStrings);
        if (!sheet)
            return failed(sheet.passed());
        return Result<SheetData>::success(std::move(*sheet));
    }

private:
    std::optional<QByteArray> readPart(const QString &name) {
        ZipPackage::Part part = m_package.read(name);
        if (part.problem == ZipPackage::Problem::None)
            return std::move(part.data);
        if (m_problem == ZipPackage::Problem::None)
            m_problem = part.problem;
        return std::nullopt;
    }

    Result<SheetData> failed(std::optional<sheet_limits::Limit> passed = std::nullopt) const {
        if (!passed)
            passed = m_passed;
        if (passed)
            return Result<SheetData>::failure(sheet_errors::tooLarge(m_path, *passed));
        switch (m_problem) {
        case ZipPackage::Problem::Encrypted:
            return Result<SheetData>::failure(sheet_errors::encrypted(m_path));
        case ZipPackage::Problem::TooLarge:
            return Result<SheetData>::failure(sheet_errors::tooLarge(m_path, sheet_limits::Limit::PartSize));
        default:
            return Result<SheetData>::failure(sheet_errors::corrupt(m_path));
        }
    }

    bool load(pugi::xml_document &document, const QByteArray &xml) {
        const xlsx::Parsed<bool> loaded = xlsx::loadXml(document, xml, pugi::parse_default);
        if (!loaded && !m_passed)
            m_passed = loaded.passed();
        return bool(loaded);
    }

    std::optional<QList<Relationship>> readRelationships(const QString &part) {
        const std::optional<QByteArray> xml = readPart(relationshipsPartOf(part));
        if (!xml)
            return std::nullopt;
        pugi::xml_document document;
        if (!load(document, *xml))
            return std::nullopt;
        QList<Relationship> relationships;
        for (const pugi::xml_node &node : document.document_element().children()) {
            if (!xml::is(node, "Relationship") ||
                std::string_view(node.attribute("TargetMode").value()) == "External")
                continue;
            relationships.append({attributeText(node.attribute("Id")), attributeText(node.attribute("Type")),
                                  resolvePartName(part, attributeText(node.attribute("Target")))});
        }
        return relationships;
    }

    QString workbookPart() {
        const std::optional<QList<Relationship>> relationships = readRelationships(QString());
        if (relationships) {
            for (const Relationship &relationship : *relationships) {
                if (hasType(relationship, u"officeDocument"))
                    return relationship.target;
            }
        }
        // Some writers leave out the package relationships; the workbook then sits at its usual place.
        m_problem = ZipPackage::Problem::None;
        return QStringLiteral("xl/workbook.xml");
    }

    // Chart sheets come in the same list but hold no cells; the first sheet is the first worksheet.
    std::optional<QString> firstWorksheetPart(const QString &workbook,
                                              const QList<Relationship> &relationships) {
        const std::optional<QByteArray> xml = readPart(workbook);
        if (!xml)
            return std::nullopt;
        pugi::xml_document document;
        if (!load(document, *xml))
            return std::nullopt;
        const pugi::xml_node sheets = xml::child(document.document_element(), "sheets");
        for (const pugi::xml_node &sheet : sheets.children()) {
            if (!xml::is(sheet, "sheet"))
                continue;
            const QString id = attributeText(xml::attribute(sheet, "id", true));
            for (const Relationship &relationship : relationships) {
                if (relationship.id == id && hasType(relationship, u"worksheet"))
                    return relationship.target;
            }
        }
        return std::nullopt;
    }

    const QString &m_path;
    const ZipPackage &m_package;
    ZipPackage::Problem m_problem = ZipPackage::Problem::None;
    std::optional<sheet_limits::Limit> m_passed;
};

} // namespace

Result<SheetData> XlsxReader::read(const QString &path) const {
    Result<QByteArray> bytes = readSheetFile(path);
    if (!bytes)
        return Result<SheetData>::failure(bytes.error());
    const std::unique_ptr<ZipPackage> package = ZipPackage::open(std::move(bytes.value()));
    if (!package)
        return Result<SheetData>::failure(sheet_errors::corrupt(path));
    return PackageReader(path, *package).firstSheet();
}

} // namespace fenban::exchange
