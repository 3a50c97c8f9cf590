#pragma once

#include <optional>
#include <ostream>
#include <string>

namespace httplib {
class Server;
}

namespace demosite {

struct DemoSiteAccount
{
    std::string user;
    std::string password;
};

struct DemoSiteOptions
{
    std::optional<DemoSiteAccount> account;
    std::ostream* log = nullptr;
};

// Installs the pages, the Basic auth check and the request log; the stream must outlive the server.
void registerDemoSite(httplib::Server& server, const DemoSiteOptions& options);

} // namespace demosite
