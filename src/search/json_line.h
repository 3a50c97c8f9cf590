#pragma once

#include <QJsonObject>
#include <QString>

// An object as one line of JSON that every strict reader takes whole and no terminal obeys: each string value cut as
// the window shows it, with each lone surrogate as U+FFFD, and besides the C0 controls, which QJsonDocument escapes
// itself, the C1 controls, the format characters and the separators written as \u escapes too.
QString jsonLine(QJsonObject object);
