#pragma once

#include <optional>

#include <QString>

#include "hit_row.h"
#include "marker_split.h"

// Walks a result page's hit rows: every second piece between "<TR" markers, from the second to the 102nd, so at
// most 51 hits. The scan ends after the last of those, at the first row that is missing, or right after a row that
// does not hold a whole hit (that row is still handed out, since its first fields are listed).
class ResultScan
{
public:
    static constexpr int mostHits = 51;

    // Keeps its own copy of the page, so a change to the caller's text does not change the rows scanned.
    explicit ResultScan(const QString& page);
    Q_DISABLE_COPY_MOVE(ResultScan)

    std::optional<HitRow> nextRow();

private:
    const QString m_page;
    MarkerSplit m_rows;
    qsizetype m_nextRow = 2;
    bool m_ended = false;
};
