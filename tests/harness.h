#pragma once

#include <QtTest>

#include "hit_row.h"
#include "qt_event_delivery.h"
#include "qt_settings_backing.h"
#include "network_module.h"
#include "run_listener.h"
#include "search_run.h"
#include "search_terms.h"
#include "site_request.h"
#include "site_store.h"

using namespace Qt::StringLiterals;

// The per-user settings store pointed at a fresh temporary folder for as long as this lives.
struct TemporarySettings
{
    // The file holds passwords, so it is its owner's alone; Qt repeats the owner's bits as the current user's.
    static constexpr auto ownerOnly = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser;

    TemporarySettings() { QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder.path()); }

    QString fileName() const { return QtSettingsBacking::fileName(u"Tunedrop"_s); }
    void setSite(int site, const QString& name, const QString& address, const QString& path = u"/mp3/"_s,
                 const QString& user = {}, const QString& password = {})
    {
        QList<SiteStore::Value> values;
        // In the order of SiteStore::Key.
        for (const QString& value : {name, address, path, user, password})
            values.append({site, SiteStore::Key(values.size()), value});
        store.write(values);
    }

    QTemporaryDir folder;
    QtSettingsBacking backing;
    SiteStore store{backing};
};

// A transfer without a network: each request is answered at once from `answer`, and remembered with the account
// it was given.
struct CannedTransfer final : HttpTransfer
{
    struct Request
    {
        QString method, url;
        std::optional<QString> body;
        // The header lines, each "Name: value", joined by CR LF.
        QString headerBlock, account;
    };
    struct Answer
    {
        QString page = {};
        std::optional<TransferError> error = std::nullopt;
        // What the page is written in, and what the answer says it is.
        QByteArray charset = "UTF-8";
        // A silent site's answer never comes: the request runs until it is ended. A held one comes once the flag
        // is cleared.
        bool silent = false;
        const bool* held = nullptr;
    };
    struct Reply final : HttpReply
    {
        Reply(CannedTransfer& transfer, Answer answer) : transfer(transfer), answer(std::move(answer))
        {
            ++transfer.repliesAlive;
        }
        ~Reply() override { --transfer.repliesAlive; }
        bool isFinished() const override { return !answer.silent && !(answer.held && *answer.held); }
        HttpAnswer takeAnswer() override
        {
            const Answer taken = std::exchange(answer, {});
            return {QStringEncoder(taken.charset.constData()).encode(taken.page), taken.charset, taken.error};
        }
        CannedTransfer& transfer;
        Answer answer;
    };

    std::function<Answer(const Request&)> answer = [](const Request&) { return Answer{}; };
    QList<Request> requests;
    // Requests not yet ended.
    int repliesAlive = 0;

    std::unique_ptr<HttpReply> start(const HttpRequest& request) override
    {
        QStringList headers;
        for (const auto& [name, value] : request.headers)
            headers.append(QString::fromLatin1(name + ": " + value));
        const std::optional<QString> body =
            request.body ? std::optional(QString::fromUtf8(*request.body)) : std::nullopt;
        requests.append({QString::fromLatin1(request.method), request.url.toString(), body, headers.join(u"\r\n"_s),
                         request.userName + u':' + request.password});
        return std::make_unique<Reply>(*this, answer(requests.last()));
    }
};

// One thing a run reported, or a request a canned transfer was sent, in the order they came.
struct RunEvent
{
    enum class Kind
    {
        // A row of the result page, by its prompt text: listed, then asked about when whole.
        Listed,
        Asked,
        FtpUrl,
        // A site's summary.
        SiteEnded,
        // The method and URL of a request.
        Sent
    };
    Kind kind;
    QString text;

    bool operator==(const RunEvent&) const = default;
};

inline QList<RunEvent> listedAndAsked(const QString& hit)
{
    return {{RunEvent::Kind::Listed, hit}, {RunEvent::Kind::Asked, hit}};
}

inline char* toString(const RunEvent& event)
{
    return qstrdup(qPrintable(u"%1 %2"_s.arg(int(event.kind)).arg(event.text)));
}

// Answers the run's prompts from a script, No once it runs out, and remembers what it was told.
struct ScriptedListener final : RunListener
{
    QList<Answer> answers;
    QList<RunEvent> events;

    void hitListed(const HitRow& hit) override { events.append({RunEvent::Kind::Listed, hit.promptText()}); }
    Answer askAboutHit(const HitRow& hit) override
    {
        events.append({RunEvent::Kind::Asked, hit.promptText()});
        return answers.isEmpty() ? Answer::No : answers.takeFirst();
    }
    void showFtpUrl(const QString& url) override { events.append({RunEvent::Kind::FtpUrl, url}); }
    void siteEnded(const SiteReport& report) override { events.append({RunEvent::Kind::SiteEnded, report.summary()}); }
};

// A search run over a settings file of its own, answered by a script, on a transfer of the given type.
template <typename Transfer>
struct RunHarness
{
    template <typename... Args>
    explicit RunHarness(Args... transferArguments) : transfer(transferArguments...)
    {
    }

    // Searches for the typed text as the window would; gives each asked site's summary.
    QStringList summaries(const QString& typed)
    {
        QStringList lines;
        for (const SiteReport& report : run.run(keywordString(typed).value()))
            lines.append(report.summary());
        return lines;
    }

    TemporarySettings settings;
    Transfer transfer;
    QtEventDelivery events;
    ScriptedListener listener;
    SearchRun run{settings.store, transfer, events, listener, u"Options"_s};
};
