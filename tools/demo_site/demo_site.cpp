#include "demo_site.h"

#include "catalog.h"
#include "pages.h"

#include <httplib.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <memory>
#include <mutex>

namespace demosite {

namespace {

const char* const htmlType = "text/html; charset=utf-8";

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

std::string formDecoded(std::string_view text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '+') {
            out += ' ';
        } else if (text[i] == '%' && i + 2 < text.size() && hexValue(text[i + 1]) >= 0 && hexValue(text[i + 2]) >= 0) {
            out += static_cast<char>(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string formField(std::string_view body, std::string_view name)
{
    while (!body.empty()) {
        const std::size_t end = std::min(body.find('&'), body.size());
        const std::string_view pair = body.substr(0, end);
        const std::size_t eq = pair.find('=');
        if (formDecoded(pair.substr(0, eq)) == name)
            return eq == std::string_view::npos ? std::string() : formDecoded(pair.substr(eq + 1));
        body.remove_prefix(std::min(end + 1, body.size()));
    }
    return {};
}

std::optional<int> trackId(const std::string& text)
{
    int id = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), id);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return id;
}

// Two servers (IPv4 and IPv6 loopback) may share one log stream.
std::mutex& logMutex()
{
    static std::mutex mutex;
    return mutex;
}

// An empty expectation means no account was configured.
bool admitted(const httplib::Request& request, const std::string& expected)
{
    if (expected.empty())
        return true;
    const std::string given = request.get_header_value("Authorization");
    const std::string_view scheme = "basic ";
    if (given.size() != expected.size())
        return false;
    for (std::size_t i = 0; i < scheme.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(given[i])) != scheme[i])
            return false;
    }
    return given.compare(scheme.size(), std::string::npos, expected, scheme.size()) == 0;
}

void refuse(httplib::Response& response)
{
    response.status = 401;
    response.set_header("WWW-Authenticate", "Basic realm=\"Tunedrop demo\"");
    response.set_content("<HTML><BODY><H2>Authorization required</H2></BODY></HTML>\n", htmlType);
}

} // namespace

void registerDemoSite(httplib::Server& server, const DemoSiteOptions& options)
{
    auto catalog = std::make_shared<const Catalog>();
    const std::string expected =
        options.account
            ? httplib::make_basic_authentication_header(options.account->user, options.account->password).second
            : std::string();

    auto guarded = [expected](auto page) {
        return [expected, page](const httplib::Request& request, httplib::Response& response) {
            if (admitted(request, expected))
                page(request, response);
            else
                refuse(response);
        };
    };

    server.Post("/mp3/search.asp", guarded([catalog](const httplib::Request& request, httplib::Response& response) {
                    const std::string query = formField(request.body, "album");
                    response.set_content(searchResultsPage(query, catalog->search(query)), htmlType);
                }));

    server.Get("/mp3/mp3info.asp", guarded([catalog](const httplib::Request& request, httplib::Response& response) {
                   const std::optional<int> id = trackId(request.get_param_value("ID"));
                   const Track* track = id ? catalog->find(*id) : nullptr;
                   response.set_content(track ? trackDetailsPage(*track) : unknownTrackPage(), htmlType);
               }));

    // Unrouted requests arrive here as 404; without credentials they must be refused like any other page.
    server.set_error_handler(
        httplib::Server::HandlerWithResponse([expected](const httplib::Request& request, httplib::Response& response) {
            if (response.status != 404)
                return httplib::Server::HandlerResponse::Unhandled;
            if (admitted(request, expected))
                response.set_content(notFoundPage(), htmlType);
            else
                refuse(response);
            return httplib::Server::HandlerResponse::Handled;
        }));

    if (std::ostream* log = options.log) {
        server.set_logger([log](const httplib::Request& request, const httplib::Response& response) {
            const std::lock_guard lock(logMutex());
            *log << request.method << ' ' << request.path << ' ' << response.status << std::endl;
        });
    }
}

} // namespace demosite
