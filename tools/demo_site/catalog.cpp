#include "catalog.h"

#include <QString>

#include <algorithm>

namespace demosite {

namespace {

struct Album
{
    const char* artist;
    const char* album;
    const char* titles[4];
};

// Invented names; "river" and "night" are spread over several artists so a search demo shows a mix.
constexpr Album builtInAlbums[] = {
    {"Marlow Finch", "Lantern Weather", {"River of Small Lights", "Paper Boats", "Weathervane", "Night Ferry"}},
    {"Marlow Finch",
     "Nobody's Harbour",
     {"Nobody's Harbour", "Salt in the Gears", "The Ferryman's Lament", "Low Tide Radio"}},
    {"The Paper Lanterns",
     "Glass Orchard",
     {"Glass Orchard", "Riverbed Lullaby", "Kites Over Tollen", "Second-Hand Sunrise"}},
    {"The Paper Lanterns",
     "Night Cartography",
     {"Night Cartography", "Compass Without North", "Ink & Ember", "The Longer Way Round"}},
    {"Café Orbital",
     "Espresso Satellites",
     {"Espresso Satellites", "Crème de la Lune", "Midnight at the Café", "Orbit of Saucers"}},
    {"Jökull & the Tides", "Fjörd Signals", {"Fjörd Signals", "Cold River Sermon", "Ísold's Waves", "Northern Tin"}},
    {"Nadia Quell", "Quiet Machinery", {"Quiet Machinery", "Velvet Ratchet", "Night Shift Hymn", "Static Garden"}},
    {"Nadia Quell", "Señora Lumen", {"Señora Lumen", "Wires & Wildflowers", "Copper River Waltz", "Amber Alarm"}},
    {"Hollow Pines", "Moss Telegraph", {"Moss Telegraph", "Pinecone Parade", "River Stones", "Fog Letter"}},
    {"Ottoline Grey",
     "Parlour Ghosts",
     {"Parlour Ghosts", "Tea for the Mirror", "Goodnight, Chandelier", "Dust Sheet Waltz"}},
    {"Brass & Bramble",
     "Hedgerow Brass Band",
     {"Hedgerow March", "Bramble & Bell", "Tuba at Twilight", "Village Night Market"}},
    {"Zéphyr Lune", "Éclat", {"Éclat", "Rêverie Électrique", "Boulevard of Paper Moons", "Rivière Lente"}},
    {"The Idle Cartographers",
     "Maps of Elsewhere",
     {"Maps of Elsewhere", "Legend Unknown", "Contour Lines", "Riverside Survey"}},
    {"Kestrel Vane", "Updraft", {"Updraft", "Hover & Dive", "Thermal Night", "Feather Ledger"}},
    {"Halftone Static",
     "Midnight Broadcast",
     {"Midnight Broadcast", "Test Card Lullaby", "Signal Lost, Signal Found", "Antenna Rain"}},
    {"Oona Fairweather",
     "Weather Diary",
     {"Weather Diary", "Rain Check Serenade", "Night Bus Home", "River Lights Reprise"}},
};

bool matchesAll(const Track& track, const std::vector<QString>& words)
{
    const QString haystack = QString::fromUtf8(track.title + '\n' + track.artist + '\n' + track.album);
    return std::all_of(words.begin(), words.end(),
                       [&](const QString& word) { return haystack.contains(word, Qt::CaseInsensitive); });
}

} // namespace

Catalog::Catalog()
{
    int id = 101;
    for (const Album& album : builtInAlbums) {
        int number = 1;
        for (const char* title : album.titles)
            m_tracks.push_back({id++, number++, title, album.artist, album.album});
    }
}

const Track* Catalog::find(int id) const
{
    const auto it = std::find_if(m_tracks.begin(), m_tracks.end(), [id](const Track& t) { return t.id == id; });
    return it == m_tracks.end() ? nullptr : &*it;
}

std::vector<std::string> Catalog::words(std::string_view query)
{
    std::vector<std::string> result;
    std::size_t start = 0;
    while (start <= query.size()) {
        const std::size_t end = std::min(query.find_first_of("+ ", start), query.size());
        if (end > start)
            result.emplace_back(query.substr(start, end - start));
        start = end + 1;
    }
    return result;
}

std::vector<Track> Catalog::search(std::string_view query) const
{
    const std::vector<std::string> queryWords = words(query);
    if (queryWords.empty() || (queryWords.size() == 1 && queryWords.front() == "*")) {
        const auto count = static_cast<std::ptrdiff_t>(std::min(browseLimit, m_tracks.size()));
        return {m_tracks.begin(), m_tracks.begin() + count};
    }

    std::vector<QString> needles;
    for (const std::string& word : queryWords)
        needles.push_back(QString::fromStdString(word));

    std::vector<Track> hits;
    std::copy_if(m_tracks.begin(), m_tracks.end(), std::back_inserter(hits),
                 [&](const Track& track) { return matchesAll(track, needles); });
    return hits;
}

} // namespace demosite
