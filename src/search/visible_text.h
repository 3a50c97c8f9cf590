#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringView>

// Whether a code point is a control character in Unicode's sense, of category Cc, Cf, Zl or Zp: the C0 and C1
// controls and DEL, which a terminal obeys, and the format characters and separators, which reorder, hide or break
// the text around them.
bool isControlCharacter(char32_t codePoint);

// The text with a backslash, tab, CR and LF written as \\, \t, \r and \n, every other control character as \xhh
// below U+0100, \uhhhh up to U+FFFF and \Uhhhhhhhh beyond, and a lone surrogate as U+FFFD, so that it can reach a
// terminal or a log without acting on it, and can neither end a column nor a line.
QString visibleText(QStringView text);

// A field from a site or a settings file as an output or log line carries it: cut as the window shows it, then made
// visible.
QString visibleField(const QString& field);

// The same for a line of bytes, such as a header line, read as UTF-8 (a byte that is not is shown as U+FFFD).
QString visibleLine(QByteArrayView line);
