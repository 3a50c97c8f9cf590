#include "marker_split.h"

#include <bit>
#include <cstring>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

qsizetype find(QStringView text, QStringView marker, qsizetype from)
{
    return text.indexOf(marker, from);
}

// The places among the sixteen from `from` that hold the marker's first and last byte, as bits. In HTML the first
// byte ("<") is everywhere, but rarely with the last one right after the marker's length.
unsigned candidates(const char* from, QByteArrayView marker)
{
#if defined(__SSE2__)
    const __m128i starts = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from));
    const __m128i ends = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + marker.size() - 1));
    return static_cast<unsigned>(_mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(starts, _mm_set1_epi8(marker.front())),
                                                                 _mm_cmpeq_epi8(ends, _mm_set1_epi8(marker.back())))));
#else
    unsigned bits = 0;
    for (int at = 0; at < 16; ++at)
        bits |= unsigned(from[at] == marker.front() && from[at + marker.size() - 1] == marker.back()) << at;
    return bits;
#endif
}

// Sixty-four places at a time, several times faster than QByteArrayView::indexOf or a memchr for the first byte on a
// page of markup; a result page is all bytes.
qsizetype find(QByteArrayView text, QByteArrayView marker, qsizetype from)
{
    // The last place a marker can begin.
    const qsizetype last = text.size() - marker.size();
    const size_t middle = static_cast<size_t>(marker.size()) - 1;
    for (; from + 63 <= last; from += 64) {
        const char* const block = text.data() + from;
        quint64 bits = candidates(block, marker) | quint64(candidates(block + 16, marker)) << 16 |
                       quint64(candidates(block + 32, marker)) << 32 | quint64(candidates(block + 48, marker)) << 48;
        for (; bits != 0; bits &= bits - 1) {
            const qsizetype at = from + std::countr_zero(bits);
            if (std::memcmp(text.data() + at + 1, marker.data() + 1, middle) == 0)
                return at;
        }
    }
    // The rest is shorter than a block; a row's cells are mostly that short, so it is searched with memchr for the
    // first byte rather than a comparison at every place.
    if (from > last)
        return -1;
    const std::string_view rest(text.data() + from, static_cast<size_t>(text.size() - from));
    const size_t at = rest.find(std::string_view(marker.data(), static_cast<size_t>(marker.size())));
    return at == std::string_view::npos ? -1 : from + static_cast<qsizetype>(at);
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

template <typename View>
void MarkerStream<View>::read(View part)
{
    const qsizetype kept = m_marker.size() - 1;
    qsizetype from = 0;
    if (!m_held.isEmpty()) {
        // Whether a marker begins in what was held shows once the marker's length past it has arrived.
        Text joined = m_held;
        joined.append(part.first(std::min(kept, part.size())));
        const qsizetype at = find(View(joined), m_marker, 0);
        if (at >= 0) {
            m_take(View(joined).first(at), true);
            from = at + m_marker.size() - m_held.size();
        } else if (part.size() < kept) {
            m_held = joined.last(std::min(kept, joined.size()));
            m_take(View(joined).first(joined.size() - m_held.size()), false);
            return;
        } else {
            m_take(View(m_held), false);
        }
        m_held.clear();
    }
    for (qsizetype at = find(part, m_marker, from); at >= 0; at = find(part, m_marker, from)) {
        m_take(part.sliced(from, at - from), true);
        from = at + m_marker.size();
    }
    const View rest = part.sliced(from);
    const View held = rest.last(std::min(kept, rest.size()));
    m_take(rest.first(rest.size() - held.size()), false);
    m_held = Text(held.data(), held.size());
}

template <typename View>
void MarkerStream<View>::end()
{
    m_take(View(m_held), false);
    m_held.clear();
}

template class MarkerStream<QStringView>;
template class MarkerStream<QByteArrayView>;
