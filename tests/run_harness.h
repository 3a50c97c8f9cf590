#pragma once

#include "qt_event_delivery.h"
#include "scripted_listener.h"
#include "search_run.h"
#include "temporary_settings.h"

// A search run over a settings file of its own, answered by a script, on whichever transfer the test gives it.
struct RunHarness
{
    explicit RunHarness(TransferComponent& transfer) : run(settings.store, transfer, events, listener) {}

    // Searches for the typed text as the window would.
    QList<SiteReport> search(const QString& typed);
    QStringList summaries(const QString& typed);

    TemporarySettings settings;
    QtEventDelivery events;
    ScriptedListener listener;
    SearchRun run;
};
