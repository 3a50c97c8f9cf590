#pragma once

#include <optional>
#include <vector>

#include <QStringView>

// Cuts a text at every occurrence of a marker (exact, case-sensitive). The markers belong to no piece; piece 0
// is the text before the first marker; a text without the marker is one piece; an empty text has no pieces.
// Pieces are found on demand, so asking for the first few pieces of a huge text reads only its beginning.
// The text must outlive the split and the views it hands out.
class MarkerSplit
{
public:
    MarkerSplit(QStringView text, QStringView marker);

    // Piece n, or nothing when the text has no such piece.
    std::optional<QStringView> piece(qsizetype n);

private:
    bool findNextStart();

    QStringView m_text;
    QStringView m_marker;
    std::vector<qsizetype> m_starts;
    bool m_allFound;
};

std::optional<QStringView> pieceAt(QStringView text, QStringView marker, qsizetype n);
