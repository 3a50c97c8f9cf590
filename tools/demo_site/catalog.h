#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace demosite {

struct Track
{
    int id = 0;
    int number = 0;
    std::string title;
    std::string artist;
    std::string album;
};

class Catalog
{
public:
    static constexpr std::size_t browseLimit = 60;

    Catalog();

    const std::vector<Track>& tracks() const { return m_tracks; }
    const Track* find(int id) const;

    // The query is the decoded "album" form field; every word must appear in the track, artist or album name.
    std::vector<Track> search(std::string_view query) const;

    static std::vector<std::string> words(std::string_view query);

private:
    std::vector<Track> m_tracks;
};

} // namespace demosite
