#pragma once

#include <QString>

#include "run_listener.h"

class QTextStream;

// The listener of a search run from a shell: it wants no hit, so every hit the scan reads is listed, and it writes
// each hit as one line of text or JSON as it comes, a JSON summary as each site ends, and each failed site's reason
// as one line on standard error.
class HitPrinter final : public RunListener
{
public:
    enum class Format
    {
        Text,
        Json
    };

    HitPrinter(QTextStream& out, QTextStream& err, Format format) : m_out(out), m_err(err), m_format(format) {}

    Answer askAboutHit(const HitRow& hit) override;
    void showFtpUrl(const QString& /*url*/) override {}
    void siteStarted(int site, const QString& name) override;
    void siteEnded(const SiteReport& report) override;

private:
    QTextStream& m_out;
    QTextStream& m_err;
    Format m_format;
    int m_site = 0;
    QString m_siteName;
};
