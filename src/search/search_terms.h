#pragma once

#include <optional>

#include <QString>
#include <QStringView>

// The keyword string that a search sends: the typed text cut at runs of white space, then its first 20 words in
// order joined with "+", each percent-encoded so that it stays one form value. Nothing for a text without words.
std::optional<QString> keywordString(QStringView typed);
