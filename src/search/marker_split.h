#pragma once

#include <optional>
#include <vector>

#include <QByteArrayView>
#include <QStringView>

// Cuts a text at every occurrence of a marker (exact, case-sensitive). The markers belong to no piece; piece 0
// is the text before the first marker; a text without the marker is one piece; an empty text has no pieces.
// Pieces are found on demand, so asking for the first few pieces of a huge text reads only its beginning.
// The text must outlive the split and the views it hands out. It cuts text or, for a page whose charset keeps
// ASCII bytes as they are, the undecoded bytes.
template <typename View>
class BasicMarkerSplit
{
public:
    BasicMarkerSplit(View text, View marker);

    // Piece n, or nothing when the text has no such piece.
    std::optional<View> piece(qsizetype n);

private:
    bool findNextStart();

    View m_text;
    View m_marker;
    std::vector<qsizetype> m_starts;
    bool m_allFound;
};

using MarkerSplit = BasicMarkerSplit<QStringView>;
using ByteMarkerSplit = BasicMarkerSplit<QByteArrayView>;

extern template class BasicMarkerSplit<QStringView>;
extern template class BasicMarkerSplit<QByteArrayView>;

// Piece n of a text or bytes split at a marker, found on its own.
inline std::optional<QStringView> pieceAt(QStringView text, QStringView marker, qsizetype n)
{
    return MarkerSplit(text, marker).piece(n);
}

inline std::optional<QByteArrayView> pieceAt(QByteArrayView text, QByteArrayView marker, qsizetype n)
{
    return ByteMarkerSplit(text, marker).piece(n);
}
