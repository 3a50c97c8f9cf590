#include "fake_message_boxes.h"

MessageBoxes::Answer FakeMessageBoxes::askYesNoCancel(const QString& text, const QString& title)
{
    record({true, text, title});
    return answers.isEmpty() ? Answer::No : answers.takeFirst();
}

QStringList FakeMessageBoxes::promptTexts() const
{
    QStringList found;
    for (const Shown& box : shown)
        if (box.isPrompt)
            found.append(box.text);
    return found;
}

QList<FakeMessageBoxes::Shown> FakeMessageBoxes::okBoxes() const
{
    QList<Shown> found;
    for (const Shown& box : shown)
        if (!box.isPrompt)
            found.append(box);
    return found;
}

void FakeMessageBoxes::record(const Shown& box)
{
    shown.append(box);
    if (whileShown)
        whileShown(box);
}
