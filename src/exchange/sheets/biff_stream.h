#pragma once

#include <QByteArrayView>
#include <QList>
#include <QString>

#include <optional>

// The record stream of binary workbooks: records of a two-byte type and a two-byte length, and data that
// overflows a record goes on in continuation records.
namespace fenban::exchange::biff {

struct Record {
    quint16 type;
    QByteArrayView data;
    qsizetype next; // where the following record starts
};

inline constexpr quint16 continueRecord = 0x003C;

// Null at the end of the stream and where a record would run past it.
std::optional<Record> recordAt(QByteArrayView stream, qsizetype position);

// Callers check the length before reading.
quint16 u16(QByteArrayView data, qsizetype at);
quint32 u32(QByteArrayView data, qsizetype at);
double f64(QByteArrayView data, qsizetype at);

// The compact number form: a whole number or the top half of a double, possibly scaled by 100.
double rkNumber(quint32 rk);
QString errorText(quint8 code);
// Eight-bit text in a Windows code page, as workbooks before the switch to UTF-16 store it.
QString codePageText(int codePage, QByteArrayView bytes);

// Reads a record's data and that of the continuation records after it as one run of bytes. Every read
// fails rather than run past the last piece.
class PieceReader {
public:
    explicit PieceReader(QList<QByteArrayView> pieces) : m_pieces(std::move(pieces)) {}

    std::optional<quint8> u8();
    std::optional<quint16> u16();
    std::optional<quint32> u32();
    bool skip(qsizetype count);
    // `count` characters of a string whose flag byte is `flags`. Where the characters go on in the next
    // piece, that piece starts with a new flag byte: a string may switch between one-byte characters
    // (the low byte of UTF-16) and two-byte ones at a record boundary.
    std::optional<QString> characters(int count, quint8 flags);

private:
    bool atPieceEnd() const { return m_piece >= m_pieces.size() || m_offset >= m_pieces[m_piece].size(); }
    bool nextPiece();
    std::optional<QByteArrayView> take(qsizetype count);

    QList<QByteArrayView> m_pieces;
    qsizetype m_piece = 0;
    qsizetype m_offset = 0;
};

// A string as most records store it: a two-byte character count, a flag byte, the characters.
std::optional<QString> unicodeString(QByteArrayView data, qsizetype at);

} // namespace fenban::exchange::biff
