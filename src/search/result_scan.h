#pragma once

#include <optional>

#include <QByteArray>
#include <QList>
#include <QStringDecoder>

#include "body_reader.h"
#include "hit_row.h"
#include "marker_split.h"
#include "page_charset.h"

// Reads a result page as it arrives and keeps only the rows it can list: every second piece between "<TR" markers,
// from the second to the 102nd, so at most 51 hits. The rows end after the last of those, at the first row that is
// missing, or right after a row that does not hold a whole hit (that row is still listed, since its first fields
// are). A page whose charset keeps ASCII bytes is cut as bytes and its rows are decoded once the page has ended and
// its charset is settled; any other is decoded as it arrives and cut as text.
class ResultScan final : public BodyReader
{
public:
    static constexpr int mostHits = 51;

    ResultScan() = default;
    Q_DISABLE_COPY_MOVE(ResultScan)

    // The rows of a whole page.
    static QList<HitRow> rowsOf(QByteArrayView body, QByteArrayView namedCharset);

    void bodyStarted(QByteArrayView charset) override;
    void bodyRead(QByteArrayView piece) override;
    // The page has ended: its rows in page order, handed over once. None when no body began.
    QList<HitRow> takeRows();
    qsizetype bytesRead() const { return m_bytesRead; }

private:
    bool isWanted() const;
    void take(QByteArrayView bytes, bool pieceEnds);
    void take(QStringView text, bool pieceEnds);
    void endPiece();

    bool m_started = false;
    PageCharset m_charset;
    std::optional<QStringDecoder> m_decoder;
    std::optional<MarkerStream<QByteArrayView>> m_byteStream;
    std::optional<MarkerStream<QStringView>> m_textStream;
    qsizetype m_bytesRead = 0;
    // The piece of the page being read, and whether any row after it can still be listed.
    qsizetype m_piece = 0;
    bool m_ended = false;
    // The row being read, and the rows read: cut already when decoded as they came, else kept as bytes.
    QByteArray m_rowBytes;
    QString m_rowText;
    QList<QByteArray> m_byteRows;
    QList<HitRow> m_rows;
};
