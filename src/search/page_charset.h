#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringDecoder>

// The charset a page is read in: the one its answer names; else UTF-8 when the whole body is valid UTF-8; else
// Windows-1252, which is what old pages without a charset mostly are. Without a named charset the choice is known
// only once the whole body has been checked, piece by piece as it arrives.
class PageCharset
{
public:
    explicit PageCharset(QByteArrayView named = {});

    // Whether the page can be cut at ASCII markers without decoding it: its charset writes every ASCII character as
    // that one byte and uses those bytes for nothing else (UTF-8, the ISO 8859 and Windows single-byte charsets).
    // Multi-byte charsets such as Shift_JIS or UTF-16 use ASCII bytes inside other characters. Known from the start.
    bool keepsAscii() const { return m_keepsAscii; }
    // A decoder for the whole body as it arrives, which carries a character split across pieces over to the next.
    QStringDecoder decoder() const { return QStringDecoder(m_charset.constData()); }
    // Checks the next piece of the body; a character may be split across pieces.
    void check(QByteArrayView piece);
    // The body has ended, and with it the check.
    void settle();
    // A part of the body, cut at character boundaries, as text; only once the charset is settled.
    QString decoded(QByteArrayView part) const;

private:
    QByteArray m_charset = "UTF-8";
    bool m_keepsAscii = true;
    bool m_named = false;
    bool m_validUtf8 = true;
    // The start of a character that the piece checked last ends with.
    QByteArray m_partial;
};
