// Windows builds have no GLib: there, and wherever the build asks for it, our own reader opens the container.
#ifdef FENBAN_OWN_COMPOUND_READER

#include "exchange/sheets/ole_container.h"

#include "exchange/sheets/compound_file.h"

namespace fenban::exchange::xls {

OleContents readOleContents(const QByteArray &file) {
    return readCompoundFile(file);
}

} // namespace fenban::exchange::xls

#else

// GLib headers come before Qt's, whose keywords collide with some GLib field names.
#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-memory.h>
#include <gsf/gsf-utils.h>

#include "exchange/sheets/ole_container.h"

#include <QString>

#include <memory>
#include <mutex>

namespace fenban::exchange::xls {

namespace {

struct ObjectRelease {
    void operator()(gpointer object) const { g_object_unref(object); }
};
using Input = std::unique_ptr<GsfInput, ObjectRelease>;
using Infile = std::unique_ptr<GsfInfile, ObjectRelease>;

void ignoreMessage(const gchar *, GLogLevelFlags, const gchar *, gpointer) {}

// The container library reports every damage it meets on standard error as well; the user hears of a damaged
// file through our own message, so its lines would only be noise.
void initialiseOnce() {
    static std::once_flag once;
    std::call_once(once, [] {
        gsf_init();
        const auto levels = GLogLevelFlags(G_LOG_LEVEL_WARNING | G_LOG_LEVEL_CRITICAL | G_LOG_LEVEL_MESSAGE);
        for (const char *domain : {"libgsf", "libgsf:msole"})
            g_log_set_handler(domain, levels, ignoreMessage, nullptr);
    });
}

// Stream names compare without regard to case in this container; writers differ in how they spell them.
int childIndex(GsfInfile *container, const char *name) {
    const int count = gsf_infile_num_children(container);
    for (int i = 0; i < count; ++i) {
        const char *childName = gsf_infile_name_by_index(container, i);
        if (childName &&
            QString::fromUtf8(childName).compare(QLatin1StringView(name), Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

} // namespace

OleContents readOleContents(const QByteArray &file) {
    initialiseOnce();
    OleContents contents;
    Input input(gsf_input_memory_new(reinterpret_cast<const guint8 *>(file.constData()), file.size(), FALSE));
    if (!input)
        return contents;
    GError *error = nullptr;
    Infile container(gsf_infile_msole_new(input.get(), &error));
    if (error)
        g_error_free(error);
    if (!container)
        return contents;

    // "Book" is the stream's name in the workbooks of the mid-nineties.
    int index = childIndex(container.get(), "Workbook");
    if (index < 0)
        index = childIndex(container.get(), "Book");
    if (index < 0) {
        const bool encrypted = childIndex(container.get(), "EncryptedPackage") >= 0 ||
                               childIndex(container.get(), "EncryptionInfo") >= 0;
        contents.kind = encrypted ? OleContents::Kind::EncryptedPackage : OleContents::Kind::NoWorkbook;
        return contents;
    }

    Input stream(gsf_infile_child_by_index(container.get(), index));
    if (!stream)
        return contents;
    const gsf_off_t size = gsf_input_size(stream.get());
    // A stream cannot hold more than the file it lives in; a larger size comes from a damaged header.
    if (size < 0 || size > file.size())
        return contents;
    contents.stream.resize(qsizetype(size));
    if (size > 0 &&
        !gsf_input_read(stream.get(), size_t(size), reinterpret_cast<guint8 *>(contents.stream.data()))) {
        contents.stream.clear();
        return contents;
    }
    contents.kind = OleContents::Kind::Workbook;
    return contents;
}

} // namespace fenban::exchange::xls

#endif
