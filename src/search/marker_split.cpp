#include "marker_split.h"

#include <string_view>

namespace {

qsizetype find(QStringView text, QStringView marker, qsizetype from)
{
    return text.indexOf(marker, from);
}

// glibc's search for bytes is several times faster than QByteArrayView::indexOf, and a result page is all bytes.
qsizetype find(QByteArrayView text, QByteArrayView marker, qsizetype from)
{
    const std::string_view haystack(text.data(), static_cast<size_t>(text.size()));
    const size_t at =
        haystack.find(std::string_view(marker.data(), static_cast<size_t>(marker.size())), static_cast<size_t>(from));
    return at == std::string_view::npos ? -1 : static_cast<qsizetype>(at);
}

} // namespace

template <typename View>
BasicMarkerSplit<View>::BasicMarkerSplit(View text, View marker)
    : m_text(text), m_marker(marker), m_allFound(text.isEmpty() || marker.isEmpty())
{
    if (!text.isEmpty())
        m_starts.push_back(0);
}

template <typename View>
bool BasicMarkerSplit<View>::findNextStart()
{
    if (m_allFound)
        return false;
    const qsizetype at = find(m_text, m_marker, m_starts.back());
    if (at < 0) {
        m_allFound = true;
        return false;
    }
    m_starts.push_back(at + m_marker.size());
    return true;
}

template <typename View>
std::optional<View> BasicMarkerSplit<View>::piece(qsizetype n)
{
    if (n < 0)
        return std::nullopt;
    while (static_cast<qsizetype>(m_starts.size()) <= n + 1 && findNextStart()) {
    }
    if (n >= static_cast<qsizetype>(m_starts.size()))
        return std::nullopt;
    const qsizetype start = m_starts[n];
    const qsizetype end =
        n + 1 < static_cast<qsizetype>(m_starts.size()) ? m_starts[n + 1] - m_marker.size() : m_text.size();
    return m_text.sliced(start, end - start);
}

template class BasicMarkerSplit<QStringView>;
template class BasicMarkerSplit<QByteArrayView>;
