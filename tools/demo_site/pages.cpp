#include "pages.h"

#include <cstdio>

namespace demosite {

namespace {

std::string percentEncoded(std::string_view segment)
{
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string out;
    for (const char c : segment) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') || (byte >= '0' && byte <= '9') || c == '-' ||
            c == '.' || c == '_' || c == '~') {
            out += c;
        } else {
            out += '%';
            out += hex[byte >> 4];
            out += hex[byte & 0x0F];
        }
    }
    return out;
}

std::string resultCell(std::string_view value)
{
    return "<TD><FONT FACE=Arial SIZE=2 COLOR=#000000>" + htmlText(value) + "<BR></FONT></TD>";
}

std::string page(std::string_view title, std::string_view body)
{
    std::string html = "<HTML><HEAD><TITLE>";
    html += title;
    html += "</TITLE></HEAD><BODY>\n";
    html += body;
    html += "</BODY></HTML>\n";
    return html;
}

} // namespace

// Only angle brackets are escaped because the client shows page text literally, so an entity like &amp; would
// reach the user undecoded.
std::string htmlText(std::string_view text)
{
    std::string out;
    for (const char c : text) {
        if (c == '<')
            out += "&lt;";
        else if (c == '>')
            out += "&gt;";
        else
            out += c;
    }
    return out;
}

std::string downloadUrl(const Track& track)
{
    char number[16];
    std::snprintf(number, sizeof number, "%02d", track.number);
    return "ftp://:@localhost/mp3/" + percentEncoded(track.artist) + '/' + percentEncoded(track.album) + '/' +
           percentEncoded(std::string(number) + " - " + track.title + ".mp3");
}

std::string searchResultsPage(std::string_view query, const std::vector<Track>& hits)
{
    std::string body = "<H2>Search results</H2>\n<P>" + std::to_string(hits.size()) + " track(s) found for \"" +
                       htmlText(query) + "\"</P>\n<TABLE BORDER=0 CELLPADDING=2>\n" +
                       "<TR><TD><B>ID</B></TD><TD><B>Track</B></TD><TD><B>Artist</B></TD><TD><B>Album</B></TD></TR>\n";
    bool first = true;
    for (const Track& track : hits) {
        if (!first)
            body += "<TR><TD COLSPAN=4><HR></TD></TR>\n";
        first = false;
        const std::string id = std::to_string(track.id);
        body += "<TR><TD><A HREF=\"mp3info.asp?ID=" + id + "\">" + id + "</A></TD>" + resultCell(track.title) +
                resultCell(track.artist) + resultCell(track.album) + "</TR>\n";
    }
    body += "</TABLE>\n";
    return page("Tunedrop demo - search results", body);
}

std::string trackDetailsPage(const Track& track)
{
    std::string body = "<p><a href=\"search.asp\">Back to search</a></p>\n<h2>" + htmlText(track.title) + "</h2>\n" +
                       "<table>\n<tr><td>ID</td><td>" + std::to_string(track.id) +
                       "</td></tr>\n<tr><td>Artist</td><td>" + htmlText(track.artist) +
                       "</td></tr>\n<tr><td>Album</td><td>" + htmlText(track.album) + "</td></tr>\n" +
                       "<tr><td>Track number</td><td>" + std::to_string(track.number) + "</td></tr>\n</table>\n" +
                       "<p><a href=\"" + downloadUrl(track) + "\">Download</a></p>\n";
    return page("Tunedrop demo - track details", body);
}

std::string unknownTrackPage()
{
    return page("Tunedrop demo - track details", "<h2>No such track</h2>\n");
}

std::string notFoundPage()
{
    return page("Not found", "<H2>Not found</H2>\n");
}

} // namespace demosite
