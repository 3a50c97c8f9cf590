#pragma once

#include <type_traits>

#include "run_listener.h"
#include "run_stop.h"

// Hands the run's calls on to the front end's listener, and leaves the run when a call returns into a stopped one:
// a prompt or a message box lets window events through, among them the close box.
class StoppingListener final : public RunListener
{
public:
    StoppingListener(RunListener& listener, const RunStop& stop) : m_listener(listener), m_stop(stop) {}

    void runStarted() override { told(&RunListener::runStarted); }
    void siteAsked(int site, const QString& name) override { told(&RunListener::siteAsked, site, name); }
    void siteStarted(int site, const QString& name) override { told(&RunListener::siteStarted, site, name); }
    void siteEnded(const SiteReport& report) override { told(&RunListener::siteEnded, report); }
    void scanStarted(int site) override { told(&RunListener::scanStarted, site); }
    void hitListed(const HitRow& hit) override { told(&RunListener::hitListed, hit); }
    Answer askAboutHit(const HitRow& hit) override { return told(&RunListener::askAboutHit, hit); }
    void detailsRequested(const HitRow& hit) override { told(&RunListener::detailsRequested, hit); }
    void showFtpUrl(const QString& url) override { told(&RunListener::showFtpUrl, url); }
    // Also told while the run is left, so it must not throw.
    void runEnded(const QList<SiteReport>& reports) override { m_listener.runEnded(reports); }

private:
    template <typename Result, typename... Parameters, typename... Arguments>
    Result told(Result (RunListener::*call)(Parameters...), const Arguments&... arguments)
    {
        if constexpr (std::is_void_v<Result>) {
            (m_listener.*call)(arguments...);
            m_stop.leaveIfStopped();
        } else {
            const Result result = (m_listener.*call)(arguments...);
            m_stop.leaveIfStopped();
            return result;
        }
    }

    RunListener& m_listener;
    const RunStop& m_stop;
};
