#pragma once

#include <QtTest>

#include "body_reader.h"
#include "hit_row.h"
#include "network_module.h"
#include "qt_event_delivery.h"
#include "qt_settings_backing.h"
#include "run_listener.h"
#include "search_run.h"
#include "search_terms.h"
#include "site_store.h"

using namespace Qt::StringLiterals;

// The user's settings file, in a fresh temporary folder for as long as this lives.
struct TemporarySettings
{
    // The file holds passwords, so it is its owner's alone; Qt repeats the owner's bits as the current user's.
    static constexpr auto ownerOnly = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser;

    QString fileName() const { return backing.fileName(); }
    void setSite(int site, const QString& name, const QString& address, const QString& path = u"/mp3/"_s,
                 const QString& user = {}, const QString& password = {})
    {
        QVERIFY(!store.write({{site, {name, address, path, user, password}}}));
    }

    QTemporaryDir folder;
    QtSettingsBacking backing{folder.path() + u"/Tunedrop/Tunedrop.conf"_s};
    SiteStore store{backing};
};

// A hit row as sites write it, cut to what the scan reads: the ID's link, then the track, artist and album cells.
inline QString hitRow(const QString& id, const QString& track, const QString& artist = u"Artist"_s)
{
    return u"<TR><TD><A HREF=\"?ID=%1\">%1</A><TD>000000>%2<BR><TD>000000>%3<BR><TD>000000>Album<BR>"_s.arg(id, track,
                                                                                                            artist);
}

// A heading row, then the hit rows with a spacer row between each two.
inline QString resultPage(const QStringList& rows)
{
    return u"<TABLE><TR>ID"_s + rows.join(u"<TR>-"_s);
}

// A transfer without a network: each request is remembered and answered from `answer`.
struct CannedTransfer final : HttpTransfer
{
    struct Answer
    {
        QString page = {};
        std::optional<TransferError> error = std::nullopt;
        // A silent site's answer never comes: the request runs until it is ended.
        bool silent = false;
        // The body as bytes in a charset of its own, instead of the page; and the size of each read, whole if 0.
        QByteArray body = page.toUtf8();
        QByteArray charset = "UTF-8";
        qsizetype readSize = 0;
    };

    struct Reply final : HttpReply
    {
        Reply(int& counter, Answer answer, BodyReader* reader)
            : alive(++counter), answer(std::move(answer)), reader(reader)
        {
        }
        ~Reply() override { --alive; }
        bool isFinished() const override { return !answer.silent; }
        HttpAnswer takeAnswer() override
        {
            if (!reader)
                return {answer.body, answer.charset, answer.error};
            reader->bodyStarted(answer.charset);
            const qsizetype size = answer.readSize > 0 ? answer.readSize : answer.body.size();
            for (qsizetype at = 0; at < answer.body.size(); at += size)
                reader->bodyRead(QByteArrayView(answer.body).sliced(at).first(std::min(size, answer.body.size() - at)));
            return {{}, answer.charset, answer.error};
        }
        int& alive;
        Answer answer;
        BodyReader* reader;
    };

    std::function<Answer(const HttpRequest&)> answer = [](const HttpRequest&) { return Answer{}; };
    QList<HttpRequest> requests;
    // Requests not yet ended.
    int repliesAlive = 0;

    std::unique_ptr<HttpReply> start(const HttpRequest& request) override
    {
        requests.append(request);
        return std::make_unique<Reply>(repliesAlive, answer(request), request.reader);
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
