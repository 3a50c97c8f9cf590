#include "scripted_listener.h"

RunListener::Answer ScriptedListener::askAboutHit(const QString& hitText)
{
    shown.append(hitText);
    if (!results.endsWith(hitText + QStringLiteral("\r\n")))
        early.append(hitText);
    if (whileAsked)
        whileAsked(hitText);
    return answers.isEmpty() ? Answer::No : answers.takeFirst();
}
