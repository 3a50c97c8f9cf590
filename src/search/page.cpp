#include "page.h"

#include <QStringDecoder>

using namespace Qt::StringLiterals;

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

} // namespace

Page::Page(QByteArray body, QByteArrayView namedCharset) : m_body(std::move(body))
{
    const QByteArray named = namedCharset.toByteArray();
    if (!named.isEmpty() && QStringConverter::encodingForName(named.constData()) == QStringConverter::Utf8)
        m_charset = "UTF-8";
    else if (!named.isEmpty() && QStringDecoder(named.constData()).isValid())
        m_charset = named;
    else if (!m_body.isValidUtf8())
        m_charset = QStringDecoder("windows-1252").isValid() ? "windows-1252" : "ISO-8859-1";
    m_keepsAscii = writesAsciiAsItself(m_charset);
}

QString Page::decoded(QByteArrayView part) const
{
    if (m_charset == "UTF-8")
        return QString::fromUtf8(part);
    QStringDecoder decoder(m_charset.constData());
    return decoder.decode(part);
}
