#include "result_scan.h"

namespace {

constexpr qsizetype lastRow = 2 * ResultScan::mostHits;

} // namespace

QList<HitRow> ResultScan::rowsOf(QByteArrayView body, QByteArrayView namedCharset)
{
    ResultScan scan;
    scan.bodyStarted(namedCharset);
    scan.bodyRead(body);
    return scan.takeRows();
}

void ResultScan::bodyStarted(QByteArrayView charset)
{
    m_started = true;
    m_charset = PageCharset(charset);
    m_bytesRead = m_piece = 0;
    m_ended = false;
    m_rowBytes.clear();
    m_rowText.clear();
    m_byteRows.clear();
    m_rows.clear();
    m_byteStream.reset();
    m_textStream.reset();
    m_decoder.reset();
    if (m_charset.keepsAscii()) {
        m_byteStream.emplace("<TR", [this](QByteArrayView bytes, bool pieceEnds) { take(bytes, pieceEnds); });
    } else {
        m_decoder.emplace(m_charset.decoder());
        m_textStream.emplace(u"<TR", [this](QStringView text, bool pieceEnds) { take(text, pieceEnds); });
    }
}

void ResultScan::bodyRead(QByteArrayView piece)
{
    m_bytesRead += piece.size();
    m_charset.check(piece);
    if (m_ended)
        return;
    if (m_byteStream)
        m_byteStream->read(piece);
    else
        m_textStream->read(QString(m_decoder->decode(piece)));
}

QList<HitRow> ResultScan::takeRows()
{
    if (!std::exchange(m_started, false))
        return {};
    if (!m_ended) {
        m_byteStream ? m_byteStream->end() : m_textStream->end();
        endPiece();
    }
    m_charset.settle();
    for (const QByteArray& row : std::as_const(m_byteRows)) {
        m_rows.append(cutHitRow(row, m_charset));
        if (!m_rows.last().isComplete())
            break;
    }
    m_byteRows.clear();
    return std::exchange(m_rows, {});
}

bool ResultScan::isWanted() const
{
    return !m_ended && m_piece >= 2 && m_piece % 2 == 0;
}

void ResultScan::take(QByteArrayView bytes, bool pieceEnds)
{
    if (isWanted())
        m_rowBytes.append(bytes);
    if (pieceEnds)
        endPiece();
}

void ResultScan::take(QStringView text, bool pieceEnds)
{
    if (isWanted())
        m_rowText.append(text);
    if (pieceEnds)
        endPiece();
}

void ResultScan::endPiece()
{
    if (isWanted()) {
        // Whether a row holds a whole hit shows in its bytes, but its fields can be decoded only once the whole
        // page has settled its charset.
        if (m_byteStream) {
            m_byteRows.append(std::exchange(m_rowBytes, {}));
            m_ended = !holdsWholeHit(m_byteRows.last());
        } else {
            m_rows.append(cutHitRow(std::exchange(m_rowText, {})));
            m_ended = !m_rows.last().isComplete();
        }
    }
    m_ended = m_ended || m_piece >= lastRow;
    ++m_piece;
}
