#pragma once

#include <QString>

#include "answer.h"

// The program's two kinds of modal message box. Both show their text as plain text and carry no icon.
class MessageBoxes
{
public:
    virtual ~MessageBoxes() = default;

    // A box with a single OK button; returns once the user has closed it.
    virtual void showOk(const QString& text, const QString& title) = 0;
    // A box with Yes, No and Cancel, Yes the default; closing the box or Escape answers Cancel.
    virtual Answer askYesNoCancel(const QString& text, const QString& title) = 0;
};
