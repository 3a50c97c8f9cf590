#include "scripted_listener.h"

#include "hit_row.h"

RunListener::Answer ScriptedListener::askAboutHit(const HitRow& hit)
{
    const QString hitText = hit.promptText();
    shown.append(hitText);
    if (!results.endsWith(hitText + QStringLiteral("\r\n")))
        early.append(hitText);
    if (whileAsked)
        whileAsked(hitText);
    return answers.isEmpty() ? Answer::No : answers.takeFirst();
}
