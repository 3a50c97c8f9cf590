#pragma once

#include <memory>
#include <optional>

#include <QLibrary>
#include <QString>

#include "http_transfer.h"
#include "transfer_config.h"
#include "transfer_error.h"

// The transfer that speaks HTTP, loaded from its own module at the first request: a window that is never asked to
// search never maps libcurl, TLS or their dependencies. When the module cannot be loaded, every request ends at
// once with the reason, and the program goes on.
class NetworkModule final : public HttpTransfer
{
public:
    // The module's file; tests name another, such as one that does not exist.
    explicit NetworkModule(TransferConfig config = {}, QString fileName = installedFileName());
    ~NetworkModule() override;
    Q_DISABLE_COPY_MOVE(NetworkModule)

    std::unique_ptr<HttpReply> start(const HttpRequest& request) override;
    bool isLoaded() const { return m_transfer != nullptr; }

    // Where the module lies relative to the program, which is the same in the build tree and once installed.
    static QString installedFileName();

private:
    void load();

    TransferConfig m_config;
    QString m_fileName;
    QLibrary m_library;
    std::unique_ptr<HttpTransfer> m_transfer;
    std::optional<TransferError> m_loadError;
};
