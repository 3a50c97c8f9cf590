#pragma once

#include <optional>

#include <QString>

#include "hit_row.h"
#include "marker_split.h"
#include "page.h"

// Walks a result page's hit rows: every second piece between "<TR" markers, from the second to the 102nd, so at
// most 51 hits. The scan ends after the last of those, at the first row that is missing, or right after a row that
// does not hold a whole hit (that row is still handed out, since its first fields are listed).
class ResultScan
{
public:
    static constexpr int mostHits = 51;

    // Keeps its own reference to the page, so nothing done to the caller's copy changes the rows scanned. A page
    // whose charset keeps ASCII bytes is cut as bytes; any other is decoded whole first.
    explicit ResultScan(const Page& page);
    // Scans text that is already decoded.
    explicit ResultScan(const QString& text);
    Q_DISABLE_COPY_MOVE(ResultScan)

    std::optional<HitRow> nextRow();

private:
    const Page m_page;
    const QString m_text;
    std::optional<ByteMarkerSplit> m_byteRows;
    std::optional<MarkerSplit> m_textRows;
    qsizetype m_nextRow = 2;
    bool m_ended = false;
};
