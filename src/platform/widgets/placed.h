#pragma once

#include <QAnyStringView>
#include <QRect>
#include <QString>
#include <QWidget>

// A new child widget of `parent` with its object name and place, and its text where it takes one: both windows place
// their controls by hand at fixed positions.
template <typename Widget>
Widget* placed(QWidget* parent, QAnyStringView name, QRect geometry, const QString& text = {})
{
    auto* widget = new Widget(parent);
    widget->setObjectName(name);
    widget->setGeometry(geometry);
    if constexpr (requires { widget->setText(text); }) {
        if (!text.isEmpty())
            widget->setText(text);
    }
    return widget;
}
