#pragma once

#include <functional>

#include <QString>

#include "run_listener.h"

class StandardStream;
class StatusLine;

// The listener of a search run from a shell: it wants no hit, so every hit the scan reads is listed. As each site
// ends it writes that site's block at once, in one piece: its hits as lines of text or JSON, then in JSON its
// summary, and a failed site's reason as one line on standard error. Blocks thus come in the order the sites end.
class HitPrinter final : public RunListener
{
public:
    enum class Format
    {
        Text,
        Json
    };

    // `status`, when given, is taken off the terminal before each block and told how far the run has come.
    HitPrinter(StandardStream& out, StandardStream& err, Format format, StatusLine* status = nullptr)
        : m_out(out), m_err(err), m_format(format), m_status(status)
    {
    }

    // Called once standard output cannot be written to, so that the run ends rather than ask for nothing.
    void onOutputLost(std::function<void()> lost) { m_outputLost = std::move(lost); }

    Answer askAboutHit(const HitRow& hit) override;
    void showFtpUrl(const QString& /*url*/) override {}
    void siteAsked(int site, const QString& name) override;
    void siteStarted(int site, const QString& name) override;
    void siteEnded(const SiteReport& report) override;
    void runEnded(const QList<SiteReport>& reports) override;

private:
    StandardStream& m_out;
    StandardStream& m_err;
    Format m_format;
    StatusLine* m_status;
    std::function<void()> m_outputLost;
    int m_site = 0;
    QString m_siteName;
    QString m_block;
};
