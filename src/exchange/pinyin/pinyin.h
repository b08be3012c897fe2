#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace fenban::exchange {

enum PinyinFlag {
    // A Chinese character gives its whole syllable instead of only the first letter.
    WholeSyllable = 1,
    // A double-byte character without a reading gives "?" instead of nothing.
    UnknownAsQuestionMark = 2,
    // Punctuation and other signs, single-byte or full-width, are kept instead of dropped.
    KeepSymbols = 4,
};

// Pinyin of a GBK text in capitals (full-width letters keep their case), cut to maxLength bytes.
// A negative flag set or a negative maxLength gives an empty result.
QByteArray getPinyin(QByteArrayView gbkText, int flags, int maxLength);

// The form of a student's name kept in the student table's pingyin column: the whole syllable of
// every character, separated by single blanks (张三 gives "ZHANG SAN", Tom gives "T O M").
// Characters without a piece, such as blanks or characters GBK cannot represent, still add their
// separating blank once the value has begun, so "李 四" gives "LI  SI".
QString pinyinName(const QString &name);

} // namespace fenban::exchange
