#include "result_scan.h"

namespace {

constexpr qsizetype lastRow = 2 * ResultScan::mostHits;

} // namespace

ResultScan::ResultScan(const Page& page) : m_page(page), m_text(page.keepsAscii() ? QString() : page.text())
{
    if (m_page.keepsAscii())
        m_byteRows.emplace(m_page.body(), QByteArrayView("<TR"));
    else
        m_textRows.emplace(m_text, QStringView(u"<TR"));
}

ResultScan::ResultScan(const QString& text) : m_text(text)
{
    m_textRows.emplace(m_text, QStringView(u"<TR"));
}

std::optional<HitRow> ResultScan::nextRow()
{
    if (m_ended || m_nextRow > lastRow)
        return std::nullopt;
    std::optional<HitRow> hit;
    if (m_byteRows) {
        if (const std::optional<QByteArrayView> row = m_byteRows->piece(m_nextRow))
            hit = cutHitRow(*row, m_page);
    } else if (const std::optional<QStringView> row = m_textRows->piece(m_nextRow)) {
        hit = cutHitRow(*row);
    }
    m_nextRow += 2;
    m_ended = !hit || !hit->isComplete();
    return hit;
}
