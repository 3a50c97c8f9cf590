#pragma once

#include <memory>
#include <optional>

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QStringList>

#include "standard_stream.h"

class SearchRun;
class SettingsBacking;
class SiteStore;

// Tunedrop without its window: `tunedrop search|details|sites` on the user's own settings or on a file named with
// --config. It needs a QCoreApplication and nothing that draws, so it runs over ssh and from scripts.
class CommandLine
{
public:
    enum ExitStatus
    {
        Success = 0,
        SiteFailed = 1,
        OutputFailed = 1,
        BadUsage = 2
    };

    CommandLine();

    // Runs what `arguments` (the program's name first) ask for and returns the exit status.
    int run(const QStringList& arguments);

private:
    int runCommand(const QStringList& arguments);
    int search(const SiteStore& store, const QString& keywords, std::optional<int> site);
    int showDetails(const SiteStore& store, int site, const QString& trackId);
    int listSites(const SiteStore& store);
    // The file named with --config, or else the user's own.
    std::unique_ptr<SettingsBacking> openSettings() const;
    int usageError(const QString& problem);

    QCommandLineParser m_parser;
    QCommandLineOption m_help;
    QCommandLineOption m_version;
    QCommandLineOption m_config;
    QCommandLineOption m_site;
    QCommandLineOption m_json;
    StandardStream m_out;
    StandardStream m_err;
    // The run that Ctrl+C stops, while one goes on.
    SearchRun* m_run = nullptr;
};
