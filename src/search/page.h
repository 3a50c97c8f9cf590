#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include "page_charset.h"

// An answer's body kept whole as it arrived, with the charset it is read in. A page is not decoded whole unless
// asked.
class Page
{
public:
    Page() = default;
    Page(QByteArray body, QByteArrayView namedCharset);

    bool isEmpty() const { return m_body.isEmpty(); }
    QByteArrayView body() const { return m_body; }
    const PageCharset& charset() const { return m_charset; }
    QString text() const { return m_charset.decoded(m_body); }

private:
    QByteArray m_body;
    PageCharset m_charset;
};
