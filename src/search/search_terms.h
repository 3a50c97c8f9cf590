#pragma once

#include <optional>

#include <QString>
#include <QStringView>

// The keyword string that a search sends: the typed text cut at every single space, then word 0 and the words
// at positions 1, 3, ..., 19 joined with "+", each percent-encoded so that it stays one form value. Nothing for
// an empty text, which has no words.
std::optional<QString> keywordString(QStringView typed);
