#pragma once

#include <QString>

#include <optional>

namespace fenban::store {

// Bounds on what a project may hold, checked wherever a value enters (window, command line, store)
// and again before a run for values already stored by older versions or by hand.
inline constexpr int minClassCount = 1;
inline constexpr int maxClassCount = 1000;
// More fine-tuning passes than this only repeat idle passes; values below 0 mean no fine-tuning.
inline constexpr int maxTuningPasses = 1000;
// The band tolerance is how far a band may be off before a swap is made; below 0 a swap that makes
// the bands worse would count as one that evens them out.
inline constexpr int minBandTolerance = 0;

// The position of the first control character (below U+0020, U+007F, or U+0080..U+009F) in a text
// a teacher typed or a file brought, or nothing when there is none. Such characters break the
// tab-separated output and the exported workbooks, so they are refused where texts enter.
inline std::optional<qsizetype> firstControlCharacter(const QString &text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c < 0x20 || (c >= 0x7F && c <= 0x9F))
            return i;
    }
    return std::nullopt;
}

} // namespace fenban::store
