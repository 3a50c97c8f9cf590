#pragma once

#include "harness.h"
#include "main_window.h"
#include "message_boxes.h"

// Message boxes that answer from a script (No once it runs out) and remember what they showed, since a test cannot
// click a modal box.
struct FakeMessageBoxes final : MessageBoxes
{
    QList<Answer> answers;
    // Runs while a box is "open", before it is answered.
    std::function<void()> whileShown = [] {};
    QStringList shown;

    void showOk(const QString& text, const QString&) override
    {
        shown.append(text);
        whileShown();
    }
    Answer askYesNoCancel(const QString& text, const QString& title) override
    {
        showOk(text, title);
        return answers.isEmpty() ? Answer::No : answers.takeFirst();
    }
};
