#include "demo_site.h"

#include <httplib.h>

#include <charconv>
#include <csignal>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <pthread.h>
#include <sys/socket.h>

namespace {

constexpr int usageError = 2;

struct Settings
{
    std::string bind = "127.0.0.1";
    int port = 8765;
    std::optional<std::string> user;
    std::optional<std::string> password;
};

void printHelp()
{
    std::cout << "Usage: tunedrop-demo-site [options]\n"
                 "Serves a small invented music catalog for trying out Tunedrop.\n\n"
                 "  --port N       port to listen on (default 8765, 0 picks a free port)\n"
                 "  --bind ADDR    address to listen on (default 127.0.0.1, which also listens on ::1)\n"
                 "  --user U       require HTTP Basic authentication with this user name (needs --pass)\n"
                 "  --pass P       password for --user\n"
                 "  --help         show this text\n";
}

std::optional<int> parsePort(const std::string& text)
{
    int port = -1;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), port);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || port < 0 || port > 65535)
        return std::nullopt;
    return port;
}

// Returns an error message, or nothing when the arguments are usable.
std::optional<std::string> parseArguments(const std::vector<std::string>& args, Settings& settings, bool& help)
{
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        std::optional<std::string> value;
        if (const std::size_t eq = name.find('='); name.starts_with("--") && eq != std::string::npos) {
            value = name.substr(eq + 1);
            name.resize(eq);
        }
        if (name == "--help" || name == "-h") {
            help = true;
            return std::nullopt;
        }
        if (name != "--port" && name != "--bind" && name != "--user" && name != "--pass")
            return "unknown option '" + args[i] + "'";
        if (!value) {
            if (i + 1 == args.size())
                return "option " + name + " needs a value";
            value = args[++i];
        }
        if (name == "--port") {
            const std::optional<int> port = parsePort(*value);
            if (!port)
                return "bad port '" + *value + "' (expected 0 to 65535)";
            settings.port = *port;
        } else if (name == "--bind") {
            settings.bind = *value;
        } else if (name == "--user") {
            settings.user = *value;
        } else {
            settings.password = *value;
        }
    }
    if (settings.user.has_value() != settings.password.has_value())
        return "--user and --pass must be given together";
    return std::nullopt;
}

// The library default also sets SO_REUSEPORT, which would let a second instance share the port silently.
void reuseAddressOnly(socket_t sock)
{
    const int yes = 1;
    setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
}

std::string urlHost(const std::string& address)
{
    return address.find(':') == std::string::npos ? address : '[' + address + ']';
}

} // namespace

int main(int argc, char* argv[])
{
    Settings settings;
    bool help = false;
    if (const auto error = parseArguments(std::vector<std::string>(argv + 1, argv + argc), settings, help)) {
        std::cerr << "tunedrop-demo-site: " << *error << "\nTry 'tunedrop-demo-site --help'.\n";
        return usageError;
    }
    if (help) {
        printHelp();
        return 0;
    }

    // Blocked before any server thread starts so that only sigwait() below sees them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    demosite::DemoSiteOptions options;
    options.log = &std::cout;
    if (settings.user)
        options.account = demosite::DemoSiteAccount{*settings.user, *settings.password};

    std::vector<std::unique_ptr<httplib::Server>> servers;
    auto makeServer = [&] {
        auto server = std::make_unique<httplib::Server>();
        server->set_socket_options(reuseAddressOnly);
        demosite::registerDemoSite(*server, options);
        return server;
    };

    auto primary = makeServer();
    const int port = settings.port == 0 ? primary->bind_to_any_port(settings.bind)
                                        : (primary->bind_to_port(settings.bind, settings.port) ? settings.port : -1);
    if (port <= 0) {
        std::cerr << "tunedrop-demo-site: cannot listen on " << urlHost(settings.bind) << ':' << settings.port << '\n';
        return 1;
    }
    servers.push_back(std::move(primary));

    // Some clients resolve "localhost" to ::1 first; a host without IPv6 loopback simply keeps the IPv4 socket.
    if (settings.bind == "127.0.0.1") {
        auto loopback6 = makeServer();
        if (loopback6->bind_to_port("::1", port))
            servers.push_back(std::move(loopback6));
    }

    std::cout << "tunedrop-demo-site listening on http://" << urlHost(settings.bind) << ':' << port << "/mp3/"
              << std::endl;

    std::vector<std::thread> threads;
    for (auto& server : servers)
        threads.emplace_back([&server] { server->listen_after_bind(); });

    int signal = 0;
    sigwait(&stopSignals, &signal);

    for (auto& server : servers)
        server->stop();
    for (auto& thread : threads)
        thread.join();
    return 0;
}
