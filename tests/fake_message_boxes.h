#pragma once

#include <functional>

#include <QList>
#include <QStringList>

#include "message_boxes.h"

// Message boxes that answer from a script and remember what they showed, since a test cannot click a modal box.
class FakeMessageBoxes final : public MessageBoxes
{
public:
    struct Shown
    {
        bool isPrompt;
        QString text;
        QString title;
    };

    // Answers for the prompts, in order; once they run out every prompt is answered No.
    QList<Answer> answers;
    // Runs while a box is "open", before it is answered.
    std::function<void(const Shown&)> whileShown;
    QList<Shown> shown;

    void showOk(const QString& text, const QString& title) override { record({false, text, title}); }
    Answer askYesNoCancel(const QString& text, const QString& title) override;

    QStringList promptTexts() const;
    QList<Shown> okBoxes() const;

private:
    void record(const Shown& box);
};
