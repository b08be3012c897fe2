#include "exchange/sheets/biff_stream.h"

#include "exchange/codepage/code_page.h"

#include <QtEndian>

#include <algorithm>
#include <bit>

namespace fenban::exchange::biff {

std::optional<Record> recordAt(QByteArrayView stream, qsizetype position) {
    if (position < 0 || position + 4 > stream.size())
        return std::nullopt;
    const quint16 type = u16(stream, position);
    const quint16 size = u16(stream, position + 2);
    if (position + 4 + size > stream.size())
        return std::nullopt;
    return Record{type, stream.sliced(position + 4, size), position + 4 + size};
}

quint16 u16(QByteArrayView data, qsizetype at) {
    return qFromLittleEndian<quint16>(data.data() + at);
}

quint32 u32(QByteArrayView data, qsizetype at) {
    return qFromLittleEndian<quint32>(data.data() + at);
}

double f64(QByteArrayView data, qsizetype at) {
    return std::bit_cast<double>(qFromLittleEndian<quint64>(data.data() + at));
}

double rkNumber(quint32 rk) {
    double value = (rk & 0x02) ? double(std::bit_cast<qint32>(rk) >> 2)
                               : std::bit_cast<double>(quint64(rk & 0xFFFFFFFCu) << 32);
    if (rk & 0x01)
        value /= 100;
    return value;
}

QString errorText(quint8 code) {
    switch (code) {
    case 0x00:
        return QStringLiteral("#NULL!");
    case 0x07:
        return QStringLiteral("#DIV/0!");
    case 0x0F:
        return QStringLiteral("#VALUE!");
    case 0x17:
        return QStringLiteral("#REF!");
    case 0x1D:
        return QStringLiteral("#NAME?");
    case 0x24:
        return QStringLiteral("#NUM!");
    default:
        return QStringLiteral("#N/A");
    }
}

QString codePageText(int codePage, QByteArrayView bytes) {
    if (codePage == 32768)
        codePage = 10000; // Mac Roman
    else if (codePage == 367 || codePage == 32769 || codePage == 1200)
        codePage = 1252; // "ASCII", and marks that older writers put on western text
    return code_page::windowsCodePageText(codePage, bytes);
}

bool PieceReader::nextPiece() {
    if (m_piece + 1 >= m_pieces.size())
        return false;
    ++m_piece;
    m_offset = 0;
    return true;
}

std::optional<QByteArrayView> PieceReader::take(qsizetype count) {
    while (atPieceEnd()) {
        if (!nextPiece())
            return std::nullopt;
    }
    const QByteArrayView piece = m_pieces[m_piece];
    if (m_offset + count > piece.size())
        return std::nullopt;
    const QByteArrayView bytes = piece.sliced(m_offset, count);
    m_offset += count;
    return bytes;
}

std::optional<quint8> PieceReader::u8() {
    const std::optional<QByteArrayView> bytes = take(1);
    return bytes ? std::optional<quint8>(quint8((*bytes)[0])) : std::nullopt;
}

std::optional<quint16> PieceReader::u16() {
    const std::optional<QByteArrayView> bytes = take(2);
    return bytes ? std::optional<quint16>(biff::u16(*bytes, 0)) : std::nullopt;
}

std::optional<quint32> PieceReader::u32() {
    const std::optional<QByteArrayView> bytes = take(4);
    return bytes ? std::optional<quint32>(biff::u32(*bytes, 0)) : std::nullopt;
}

// Formatting runs and phonetic data may run over a record boundary with no marker at all.
bool PieceReader::skip(qsizetype count) {
    while (count > 0) {
        if (atPieceEnd() && !nextPiece())
            return false;
        const qsizetype step = std::min(count, m_pieces[m_piece].size() - m_offset);
        m_offset += step;
        count -= step;
    }
    return true;
}

std::optional<QString> PieceReader::characters(int count, quint8 flags) {
    QString text;
    text.reserve(count);
    while (text.size() < count) {
        if (atPieceEnd()) {
            if (!nextPiece() || atPieceEnd())
                return std::nullopt;
            flags = quint8(m_pieces[m_piece][0]);
            m_offset = 1;
            continue;
        }
        const QByteArrayView piece = m_pieces[m_piece];
        const qsizetype width = (flags & 0x01) ? 2 : 1;
        const qsizetype available = (piece.size() - m_offset) / width;
        if (available == 0)
            return std::nullopt; // half a two-byte character
        const qsizetype take = std::min<qsizetype>(available, count - text.size());
        for (qsizetype k = 0; k < take; ++k) {
            const qsizetype at = m_offset + k * width;
            text += QChar(width == 2 ? biff::u16(piece, at) : char16_t(quint8(piece[at])));
        }
        m_offset += take * width;
    }
    return text;
}

std::optional<QString> unicodeString(QByteArrayView data, qsizetype at) {
    if (at + 3 > data.size())
        return std::nullopt;
    PieceReader reader({data.sliced(at + 3)});
    return reader.characters(u16(data, at), quint8(data[at + 2]));
}

} // namespace fenban::exchange::biff
