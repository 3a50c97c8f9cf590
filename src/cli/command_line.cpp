#include "command_line.h"

#include <algorithm>
#include <memory>

#include <QLoggingCategory>
#include <QScopeGuard>

#include "hit_printer.h"
#include "ini_settings_backing.h"
#include "interrupt_watch.h"
#include "qt_event_delivery.h"
#include "qt_settings_backing.h"
#include "network_module.h"
#include "search_run.h"
#include "search_terms.h"
#include "site_store.h"
#include "status_line.h"
#include "visible_text.h"

using namespace Qt::StringLiterals;

namespace {

const QString commandsHelp = u"Searches MP3 server sites from a shell. Without arguments, Tunedrop opens its window.\n"
                             "\n"
                             "Commands:\n"
                             "  search [--site N] [--json] WORDS...  list the hits of every site, or of site N\n"
                             "  details --site N ID                  print the FTP URL of track ID of site N\n"
                             "  sites                                list the sites, without their passwords\n"
                             "\n"
                             "Exit status: 0 when every site asked answered, 1 when one failed or the output could\n"
                             "not be written, 2 for bad usage or settings that cannot be read, 130 after Ctrl+C."_s;

// Where a reason asks the user to mend a site record.
const QString settingsPlace = u"the settings file"_s;

// Asks `run` what `ask` does, while the event loop hears Ctrl+C and stops it.
template <typename Ask>
auto askStoppably(SearchRun*& current, SearchRun& run, const Ask& ask)
{
    current = &run;
    const auto forget = qScopeGuard([&current] { current = nullptr; });
    const InterruptWatch::Hearing heard(true);
    return ask();
}

} // namespace

CommandLine::CommandLine()
    : m_help(m_parser.addHelpOption()), m_version(m_parser.addVersionOption()),
      m_config(u"config"_s, u"Read the sites from <file>, in the format of the user's own settings file."_s, u"file"_s),
      m_site(u"site"_s, u"Only site <n>, from 1 to 5."_s, u"n"_s),
      m_json(u"json"_s, u"Write each hit and each site's summary as one JSON object a line."_s), m_out(STDOUT_FILENO),
      m_err(STDERR_FILENO)
{
    m_parser.setApplicationDescription(commandsHelp);
    m_parser.addOptions({m_config, m_site, m_json});
    m_parser.addPositionalArgument(u"command"_s, u"search, details or sites."_s);
    m_parser.addPositionalArgument(u"arguments"_s, u"The words to search for, or the track ID."_s, u"[arguments...]"_s);
}

int CommandLine::run(const QStringList& arguments)
{
    // From here on the first Ctrl+C ends the program with its own status, whatever it is doing.
    const InterruptWatch interrupts([this] {
        if (m_run)
            m_run->stop();
    });
    const int status = runCommand(arguments);
    if (InterruptWatch::isInterrupted())
        return InterruptWatch::exitStatus;
    // Output that never arrived must not read as success, least of all to a script.
    if (!m_out.failure().isEmpty()) {
        m_err.write(u"tunedrop: cannot write the output: "_s + m_out.failure() + u'\n');
        return OutputFailed;
    }
    return status;
}

int CommandLine::runCommand(const QStringList& arguments)
{
    // The printer reports each failed site on standard error once; the run's own warning would repeat it.
    QLoggingCategory::setFilterRules(u"tunedrop.search.warning=false"_s);
    if (!m_parser.parse(arguments))
        return usageError(visibleText(m_parser.errorText()));
    // Qt's own options (--help-all) mean nothing without a window, so both show the same help.
    if (m_parser.isSet(m_help) || m_parser.isSet(u"help-all"_s))
        return m_out.write(m_parser.helpText()) ? Success : OutputFailed;
    if (m_parser.isSet(m_version))
        return m_out.write(QCoreApplication::applicationName() + u' ' + QCoreApplication::applicationVersion() + u'\n')
                   ? Success
                   : OutputFailed;

    QStringList operands = m_parser.positionalArguments();
    if (operands.isEmpty())
        return usageError(u"no command given"_s);
    const QString command = operands.takeFirst();
    std::optional<int> site;
    if (m_parser.isSet(m_site)) {
        bool isNumber = false;
        site = m_parser.value(m_site).toInt(&isNumber);
        if (!isNumber || *site < 1 || *site > SiteStore::siteCount)
            return usageError(u"--site takes a site number from 1 to %1"_s.arg(SiteStore::siteCount));
    }
    std::optional<QString> keywords;
    if (command == u"search"_s) {
        keywords = keywordString(operands.join(u' '));
        if (!keywords)
            return usageError(u"search needs the words to search for"_s);
    } else if (command == u"details"_s) {
        if (!site || operands.size() != 1 || m_parser.isSet(m_json))
            return usageError(u"details takes --site N and one track ID"_s);
    } else if (command == u"sites"_s) {
        if (!operands.isEmpty() || site || m_parser.isSet(m_json))
            return usageError(u"sites takes no arguments"_s);
    } else {
        return usageError(u"unknown command: %1"_s.arg(visibleField(command)));
    }

    const std::unique_ptr<SettingsBacking> backing = openSettings();
    SiteStore store(*backing);
    if (const std::optional<SettingsError> error = store.load()) {
        m_err.write(u"tunedrop: "_s + visibleField(error->text()) + u'\n');
        return BadUsage;
    }
    if (keywords)
        return search(store, *keywords, site);
    if (site)
        return showDetails(store, *site, operands.first());
    return listSites(store);
}

int CommandLine::search(const SiteStore& store, const QString& keywords, std::optional<int> site)
{
    NetworkModule transfer;
    QtEventDelivery events;
    const bool json = m_parser.isSet(m_json);
    // Progress is for a person at a terminal: a script reading JSON wants none, and log lines would run into it.
    std::optional<StatusLine> status;
    if (!json && m_err.isTerminal() && qgetenv("TERM") != "dumb" && qEnvironmentVariableIsEmpty("QT_LOGGING_RULES"))
        status.emplace(m_err);
    HitPrinter printer(m_out, m_err, json ? HitPrinter::Format::Json : HitPrinter::Format::Text,
                       status ? &*status : nullptr);
    SearchRun run(store, transfer, events, printer, settingsPlace);
    printer.onOutputLost([&run] { run.stop(); });
    // Nothing is asked in between, so every site can be asked at once.
    const QList<SiteReport> reports =
        askStoppably(m_run, run, [&] { return site ? run.run(keywords, site) : run.runAtOnce(keywords); });
    const bool allAnswered = std::all_of(reports.cbegin(), reports.cend(), [](const SiteReport& report) {
        return report.outcome != SiteReport::Outcome::Failed;
    });
    return allAnswered ? Success : SiteFailed;
}

int CommandLine::showDetails(const SiteStore& store, int site, const QString& trackId)
{
    NetworkModule transfer;
    QtEventDelivery events;
    HitPrinter printer(m_out, m_err, HitPrinter::Format::Text);
    SearchRun run(store, transfer, events, printer, settingsPlace);
    const TrackDetails details = askStoppably(m_run, run, [&] { return run.fetchTrackDetails(site, trackId); });
    if (InterruptWatch::isInterrupted())
        return InterruptWatch::exitStatus;
    if (details.outcome != TrackDetails::Outcome::Found) {
        m_err.write(siteLabel(site, store.read(site, SiteStore::Key::Name)) + u": details of "_s +
                    visibleField(trackId) + u": "_s + visibleField(details.reason) + u'\n');
        return SiteFailed;
    }
    m_out.write(details.ftpUrl + u'\n');
    return Success;
}

int CommandLine::listSites(const SiteStore& store)
{
    using Key = SiteStore::Key;
    for (int site = 1; site <= SiteStore::siteCount; ++site) {
        const QString name = store.read(site, Key::Name);
        const QString address = store.read(site, Key::Addr);
        if (name.isEmpty() && address.isEmpty())
            continue;
        m_out.write(QStringList{QString::number(site), visibleField(name), visibleField(address),
                                visibleField(store.read(site, Key::Path)), visibleField(store.read(site, Key::User))}
                        .join(u'\t') +
                    u'\n');
    }
    return Success;
}

std::unique_ptr<SettingsBacking> CommandLine::openSettings() const
{
    if (m_parser.isSet(m_config))
        return std::make_unique<IniSettingsBacking>(m_parser.value(m_config));
    return std::make_unique<QtSettingsBacking>();
}

int CommandLine::usageError(const QString& problem)
{
    m_err.write(u"tunedrop: "_s + problem + u"\n\n"_s + m_parser.helpText());
    return BadUsage;
}
