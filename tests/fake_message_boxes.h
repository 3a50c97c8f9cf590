#pragma once

#include <functional>

#include <QStringList>

#include "message_boxes.h"

// Message boxes that answer from a script and remember what they showed, since a test cannot click a modal box.
struct FakeMessageBoxes final : MessageBoxes
{
    // Answers for the prompts, in order; once they run out every prompt is answered No.
    QList<Answer> answers;
    // Runs while a box is "open", before it is answered.
    std::function<void()> whileShown = [] {};
    // The text of every box shown, prompt or not.
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
