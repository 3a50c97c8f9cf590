#pragma once

#include <functional>
#include <optional>
#include <type_traits>

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>
#include <QVarLengthArray>

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
    // A row is cut into a handful of pieces, each split made and dropped at once: they stay off the heap.
    QVarLengthArray<qsizetype, 8> m_starts;
    bool m_allFound;
};

using MarkerSplit = BasicMarkerSplit<QStringView>;
using ByteMarkerSplit = BasicMarkerSplit<QByteArrayView>;

extern template class BasicMarkerSplit<QStringView>;
extern template class BasicMarkerSplit<QByteArrayView>;

// The same cut of a text that arrives in parts, which hands out each piece's text as it comes and keeps only what
// may begin a marker that the next part completes. A marker split across parts is found as in the whole text.
template <typename View>
class MarkerStream
{
public:
    // Takes the next stretch of the current piece's text, and whether a marker ends the piece right after it; the
    // next piece begins then.
    using Take = std::function<void(View text, bool pieceEnds)>;

    MarkerStream(View marker, Take take) : m_marker(marker), m_take(std::move(take)) {}

    void read(View part);
    // The text has ended, and with it the last piece.
    void end();

private:
    using Text = std::conditional_t<std::is_same_v<View, QStringView>, QString, QByteArray>;

    View m_marker;
    Take m_take;
    // The end of the text read so far, shorter than the marker, that the marker may begin with.
    Text m_held;
};

extern template class MarkerStream<QStringView>;
extern template class MarkerStream<QByteArrayView>;

// Piece n of a text or bytes split at a marker, found on its own.
inline std::optional<QStringView> pieceAt(QStringView text, QStringView marker, qsizetype n)
{
    return MarkerSplit(text, marker).piece(n);
}

inline std::optional<QByteArrayView> pieceAt(QByteArrayView text, QByteArrayView marker, qsizetype n)
{
    return ByteMarkerSplit(text, marker).piece(n);
}
