#include "result_scan.h"

namespace {

constexpr qsizetype lastRow = 2 * ResultScan::mostHits;

} // namespace

ResultScan::ResultScan(const QString& page) : m_page(page), m_rows(m_page, u"<TR")
{
}

std::optional<HitRow> ResultScan::nextRow()
{
    if (m_ended || m_nextRow > lastRow)
        return std::nullopt;
    const std::optional<QStringView> row = m_rows.piece(m_nextRow);
    m_nextRow += 2;
    if (!row) {
        m_ended = true;
        return std::nullopt;
    }
    HitRow hit = cutHitRow(*row);
    m_ended = !hit.isComplete();
    return hit;
}
