#include "package_writer.h"

#include <zip.h>

namespace fenban::exchange::testing {

namespace {

const QByteArray relationshipsNs = "http://schemas.openxmlformats.org/package/2006/relationships";
const QByteArray documentNs = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
const QByteArray mainNs = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";

QByteArray relationship(const char *id, const QByteArray &type, const QByteArray &target) {
    return "<Relationship Id=\"" + QByteArray(id) + "\" Type=\"" + documentNs + "/" + type + "\" Target=\"" +
           target + "\"/>";
}

} // namespace

QByteArray zipArchive(const PackageParts &parts, Compression compression) {
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t *target = zip_source_buffer_create(nullptr, 0, 0, &error);
    zip_t *archive = zip_open_from_source(target, ZIP_TRUNCATE, &error);
    zip_error_fini(&error);
    if (!archive) {
        zip_source_free(target);
        return {};
    }
    // The buffer must outlive zip_close, which would otherwise free it with the archive.
    zip_source_keep(target);
    for (const auto &[name, content] : parts) {
        const zip_int64_t index =
            zip_file_add(archive, name.constData(),
                         zip_source_buffer(archive, content.constData(), zip_uint64_t(content.size()), 0),
                         ZIP_FL_OVERWRITE);
        if (compression == Compression::Deflated && index >= 0)
            zip_set_file_compression(archive, zip_uint64_t(index), ZIP_CM_DEFLATE, 1);
    }
    zip_close(archive);

    zip_stat_t stat;
    zip_stat_init(&stat);
    QByteArray bytes;
    if (zip_source_stat(target, &stat) == 0 && zip_source_open(target) == 0) {
        bytes.resize(qsizetype(stat.size));
        const zip_int64_t read = zip_source_read(target, bytes.data(), stat.size);
        bytes.truncate(qsizetype(std::max<zip_int64_t>(read, 0)));
        zip_source_close(target);
    }
    zip_source_free(target);
    return bytes;
}

QByteArray workbookPackage(const QByteArray &worksheetXml, const QByteArray &sharedStringsXml,
                           Compression compression) {
    PackageParts parts{
        {"_rels/.rels", "<Relationships xmlns=\"" + relationshipsNs + "\">" +
                            relationship("rId1", "officeDocument", "xl/workbook.xml") + "</Relationships>"},
        {"xl/workbook.xml",
         "<workbook xmlns=\"" + mainNs + "\" xmlns:r=\"" + documentNs +
             "\"><sheets><sheet name=\"S\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>"},
        {"xl/_rels/workbook.xml.rels",
         "<Relationships xmlns=\"" + relationshipsNs + "\">" +
             relationship("rId1", "worksheet", "worksheets/sheet1.xml") +
             (sharedStringsXml.isEmpty() ? QByteArray()
                                         : relationship("rId2", "sharedStrings", "sharedStrings.xml")) +
             "</Relationships>"},
        {"xl/worksheets/sheet1.xml", worksheetXml},
    };
    if (!sharedStringsXml.isEmpty())
        parts.append({"xl/sharedStrings.xml", sharedStringsXml});
    return zipArchive(parts, compression);
}

} // namespace fenban::exchange::testing
