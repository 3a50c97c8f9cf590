#include "fake_message_boxes.h"

void FakeMessageBoxes::showOk(const QString& text, const QString& title)
{
    shown.append({false, text, title});
    if (whileShown)
        whileShown(shown.last());
}

MessageBoxes::Answer FakeMessageBoxes::askYesNoCancel(const QString& text, const QString& title)
{
    shown.append({true, text, title});
    if (whileShown)
        whileShown(shown.last());
    return answers.isEmpty() ? Answer::No : answers.takeFirst();
}

QStringList FakeMessageBoxes::promptTexts() const
{
    QStringList texts;
    for (const Shown& box : shown)
        if (box.isPrompt)
            texts.append(box.text);
    return texts;
}

QList<FakeMessageBoxes::Shown> FakeMessageBoxes::okBoxes() const
{
    QList<Shown> boxes;
    for (const Shown& box : shown)
        if (!box.isPrompt)
            boxes.append(box);
    return boxes;
}
