#pragma once

#include "message_boxes.h"

class QWidget;

class QtMessageBoxes final : public MessageBoxes
{
public:
    explicit QtMessageBoxes(QWidget* parent = nullptr);

    void showOk(const QString& text, const QString& title) override;
    Answer askYesNoCancel(const QString& text, const QString& title) override;

private:
    QWidget* m_parent;
};
