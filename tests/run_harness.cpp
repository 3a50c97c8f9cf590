#include "run_harness.h"

#include "search_terms.h"

QList<SiteReport> RunHarness::search(const QString& typed)
{
    return run.run(keywordString(typed).value());
}

QStringList RunHarness::summaries(const QString& typed)
{
    QStringList lines;
    for (const SiteReport& report : search(typed))
        lines.append(report.summary());
    return lines;
}
