#pragma once

#include <functional>

#include <QList>
#include <QStringList>

#include "run_listener.h"

// Answers the run's questions from a script and remembers what it was shown.
class ScriptedListener final : public RunListener
{
public:
    // Answers for the prompts, in order; once they run out every prompt is answered No.
    QList<Answer> answers;
    // Runs while a prompt is "open", before it is answered.
    std::function<void(const QString&)> whileAsked;

    QString results;
    // Prompt texts and FTP URLs, in the order they were shown.
    QStringList shown;
    // Prompts that came before their hit's whole line was at the end of the results.
    QStringList early;

    void showResults(const QString& text) override { results = text; }
    Answer askAboutHit(const HitRow& hit) override;
    void showFtpUrl(const QString& url) override { shown.append(url); }
};
