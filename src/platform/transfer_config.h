#pragma once

#include <chrono>

#include <QString>
#include <QtGlobal>

// The limits every request of a transfer runs under, each of which ends only the request that meets it.
struct TransferConfig
{
    // Ends a request during which nothing has arrived for this long, as TimedOut.
    std::chrono::milliseconds inactivity = std::chrono::seconds(60);
    // Ends a request still under way after this long, from connecting to the last byte, as TooSlow.
    std::chrono::milliseconds deadline = std::chrono::seconds(180);
    // Ends, as TooLarge, an answer whose body (once decompressed) or whose header lines would be longer.
    qsizetype bodyLimit = qsizetype(64) << 20;
    qsizetype headerLimit = qsizetype(256) << 10;
    // A PEM file of one more certificate authority to trust instead of the system's, for tests alone: the program
    // itself never sets it, nor reads one from its settings or the environment.
    QString testAuthorityFile;
};
