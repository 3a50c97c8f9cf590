#include "page_charset.h"

namespace {

bool writesAsciiAsItself(QByteArrayView charset)
{
    const QByteArray name = charset.toByteArray().toLower();
    for (const char* family :
         {"utf-8", "utf8", "us-ascii", "ascii", "iso-8859-", "iso8859-", "latin", "windows-125", "cp125", "koi8-"}) {
        if (name.startsWith(family))
            return true;
    }
    return false;
}

// How many bytes the UTF-8 character that `lead` begins takes; 1 for a byte no character begins with, which the
// check refuses where it stands.
qsizetype utf8Length(char lead)
{
    const auto byte = static_cast<unsigned char>(lead);
    return byte >= 0xF0 && byte < 0xF8 ? 4 : byte >= 0xE0 && byte < 0xF0 ? 3 : byte >= 0xC0 && byte < 0xE0 ? 2 : 1;
}

} // namespace

PageCharset::PageCharset(QByteArrayView named)
{
    const QByteArray name = named.toByteArray();
    m_named = !name.isEmpty() && QStringDecoder(name.constData()).isValid();
    if (m_named && QStringConverter::encodingForName(name.constData()) != QStringConverter::Utf8)
        m_charset = name;
    m_keepsAscii = writesAsciiAsItself(m_charset);
}

void PageCharset::check(QByteArrayView piece)
{
    if (m_named || !m_validUtf8 || piece.isEmpty())
        return;
    if (!m_partial.isEmpty()) {
        const qsizetype missing = utf8Length(m_partial.front()) - m_partial.size();
        m_partial += piece.first(std::min(missing, piece.size()));
        piece = piece.sliced(std::min(missing, piece.size()));
        if (m_partial.size() < utf8Length(m_partial.front()))
            return;
        m_validUtf8 = QByteArrayView(std::exchange(m_partial, {})).isValidUtf8();
    }
    // A character whose start is in the last three bytes may end in the next piece; it is checked whole then.
    qsizetype whole = piece.size();
    for (qsizetype at = piece.size() - 1; at >= 0 && at >= piece.size() - 3; --at) {
        if ((piece.at(at) & 0xC0) != 0x80) {
            if (at + utf8Length(piece.at(at)) > piece.size())
                whole = at;
            break;
        }
    }
    m_partial = piece.sliced(whole).toByteArray();
    m_validUtf8 = m_validUtf8 && piece.first(whole).isValidUtf8();
}

void PageCharset::settle()
{
    if (m_named)
        return;
    if (!m_validUtf8 || !m_partial.isEmpty())
        m_charset = QStringDecoder("windows-1252").isValid() ? "windows-1252" : "ISO-8859-1";
    m_partial.clear();
}

QString PageCharset::decoded(QByteArrayView part) const
{
    if (m_charset == "UTF-8")
        return QString::fromUtf8(part);
    QStringDecoder decoder(m_charset.constData());
    return decoder.decode(part);
}
