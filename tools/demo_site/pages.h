#pragma once

#include "catalog.h"

#include <string>
#include <string_view>
#include <vector>

namespace demosite {

std::string htmlText(std::string_view text);
std::string downloadUrl(const Track& track);

std::string searchResultsPage(std::string_view query, const std::vector<Track>& hits);
std::string trackDetailsPage(const Track& track);
std::string unknownTrackPage();
std::string notFoundPage();

} // namespace demosite
