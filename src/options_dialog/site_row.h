#pragma once

#include <array>

#include <QStringList>

#include "site_store.h"

class QLineEdit;
class QWidget;

// One site's line of the Options grid: a box for each of its five values, in the columns under the headings.
class SiteRow
{
public:
    static constexpr int columnCount = 5;

    // The boxes of `site` (from 1), named after their key and the site, such as "txtAddr3". `captions` are the column
    // headings, which with the site's number name each box for assistive tools.
    SiteRow(QWidget* parent, int site, const QStringList& captions);

    void fill(const SiteStore::Record& record);
    SiteStore::Record record() const;
    // The boxes from the name's to the password's.
    const std::array<QLineEdit*, columnCount>& boxes() const { return m_boxes; }

    // Where each column lies across the dialog, in twips: its left edge and width.
    static constexpr std::array<std::pair<int, int>, columnCount> columns{
        {{120, 1215}, {1440, 1695}, {3240, 1455}, {4800, 1095}, {6000, 1215}}};

private:
    std::array<QLineEdit*, columnCount> m_boxes{};
};
