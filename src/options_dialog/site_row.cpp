#include "site_row.h"

#include <limits>

#include <QLineEdit>

#include "placed.h"
#include "window_style.h"

using namespace Qt::StringLiterals;

SiteRow::SiteRow(QWidget* parent, int site, const QStringList& captions)
{
    const QString number = QString::number(site);
    for (int column = 0; column < columnCount; ++column) {
        const auto [left, width] = columns.at(column);
        const QString name = u"txt"_s + SiteStore::keyName(SiteStore::Key(column)) + number;
        // A box per site, 360 twips apart from a top of 480.
        QLineEdit* box = placed<QLineEdit>(parent, name, fromTwips(left, 480 + 360 * (site - 1), width, 285));
        box->setAccessibleName(captions.at(column) + u' ' + number);
        // The default limit of 32767 characters would cut a longer stored value, and OK would store it cut.
        box->setMaxLength(std::numeric_limits<int>::max());
        m_boxes.at(column) = box;
    }
    QLineEdit* password = m_boxes.back();
    password->setEchoMode(QLineEdit::Password);
    password->setAttribute(Qt::WA_InputMethodEnabled, false);
    // One "*" per character, whatever the style would draw.
    password->setStyleSheet(u"lineedit-password-character: 42"_s);
}

void SiteRow::fill(const SiteStore::Record& record)
{
    const std::array<const QString*, columnCount> values{&record.name, &record.address, &record.path, &record.userName,
                                                         &record.password};
    for (int column = 0; column < columnCount; ++column) {
        m_boxes.at(column)->setText(*values.at(column));
        // Each value shows from its start, as a freshly filled box should.
        m_boxes.at(column)->setCursorPosition(0);
    }
}

SiteStore::Record SiteRow::record() const
{
    return {m_boxes[0]->text(), m_boxes[1]->text(), m_boxes[2]->text(), m_boxes[3]->text(), m_boxes[4]->text()};
}
