#pragma once

#include <QString>

// A field as a command's output line carries it: cut as the window shows it when overlong, then with backslashes,
// tabs and line breaks escaped, so that the field can neither end its column nor its line early.
QString escapedField(const QString& field);
