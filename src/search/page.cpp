#include "page.h"

Page::Page(QByteArray body, QByteArrayView namedCharset) : m_body(std::move(body)), m_charset(namedCharset)
{
    m_charset.check(m_body);
    m_charset.settle();
}
