#include "exchange/sheets/zip_package.h"

#include "exchange/sheets/sheet_limits.h"

#include <zip.h>

namespace fenban::exchange {

namespace {

constexpr zip_uint64_t maxPartSize = sheet_limits::maxPartSize;

bool isPasswordError(int code) {
    return code == ZIP_ER_NOPASSWD || code == ZIP_ER_WRONGPASSWD || code == ZIP_ER_ENCRNOTSUPP;
}

} // namespace

std::unique_ptr<ZipPackage> ZipPackage::open(QByteArray bytes) {
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t *source = zip_source_buffer_create(bytes.constData(), zip_uint64_t(bytes.size()), 0, &error);
    zip_error_fini(&error);
    if (!source)
        return nullptr;
    zip_error_init(&error);
    zip *archive = zip_open_from_source(source, ZIP_RDONLY, &error);
    zip_error_fini(&error);
    if (!archive) {
        zip_source_free(source);
        return nullptr;
    }
    return std::unique_ptr<ZipPackage>(new ZipPackage(std::move(bytes), archive));
}

ZipPackage::ZipPackage(QByteArray bytes, zip *archive) : m_bytes(std::move(bytes)), m_archive(archive) {}

ZipPackage::~ZipPackage() {
    zip_discard(m_archive);
}

ZipPackage::Part ZipPackage::read(const QString &name) const {
    const QByteArray encodedName = name.toUtf8();
    const zip_int64_t index = zip_name_locate(m_archive, encodedName.constData(), ZIP_FL_NOCASE);
    if (index < 0)
        return {Problem::Missing, {}};

    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_stat_index(m_archive, zip_uint64_t(index), 0, &stat) != 0)
        return {Problem::Damaged, {}};
    if ((stat.valid & ZIP_STAT_ENCRYPTION_METHOD) && stat.encryption_method != ZIP_EM_NONE)
        return {Problem::Encrypted, {}};
    if ((stat.valid & ZIP_STAT_SIZE) && stat.size > maxPartSize)
        return {Problem::TooLarge, {}};

    zip_file_t *file = zip_fopen_index(m_archive, zip_uint64_t(index), 0);
    if (!file) {
        const int code = zip_error_code_zip(zip_get_error(m_archive));
        return {isPasswordError(code) ? Problem::Encrypted : Problem::Damaged, {}};
    }

    Part part;
    if (stat.valid & ZIP_STAT_SIZE)
        part.data.reserve(qsizetype(stat.size));
    char buffer[64 * 1024];
    // The stated size may lie, so the cap is kept on what actually comes out.
    for (;;) {
        const zip_int64_t count = zip_fread(file, buffer, sizeof buffer);
        if (count < 0) {
            part.problem = Problem::Damaged;
            break;
        }
        if (count == 0)
            break;
        part.data.append(buffer, qsizetype(count));
        if (zip_uint64_t(part.data.size()) > maxPartSize) {
            part.problem = Problem::TooLarge;
            break;
        }
    }
    if (zip_fclose(file) != 0 && part.problem == Problem::None)
        part.problem = Problem::Damaged;
    if (part.problem != Problem::None)
        part.data.clear();
    return part;
}

} // namespace fenban::exchange
