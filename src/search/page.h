#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// An answer's body as it arrived, with the charset it is read in: the one the answer names; else UTF-8 when the
// whole body is valid UTF-8; else Windows-1252, which is what old pages without a charset mostly are. A page is
// not decoded whole unless asked: its fields are cut from the bytes and only they are decoded.
class Page
{
public:
    Page() = default;
    Page(QByteArray body, QByteArrayView namedCharset);

    bool isEmpty() const { return m_body.isEmpty(); }
    QByteArrayView body() const { return m_body; }
    // Whether the page can be cut at ASCII markers without decoding it: its charset writes every ASCII character as
    // that one byte and uses those bytes for nothing else (UTF-8, the ISO 8859 and Windows single-byte charsets).
    // Multi-byte charsets such as Shift_JIS or UTF-16 use ASCII bytes inside other characters.
    bool keepsAscii() const { return m_keepsAscii; }
    // A part of the body, cut at character boundaries, as text.
    QString decoded(QByteArrayView part) const;
    QString text() const { return decoded(m_body); }

private:
    QByteArray m_body;
    QByteArray m_charset = "UTF-8";
    bool m_keepsAscii = true;
};
