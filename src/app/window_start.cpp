#include "window_start.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

#include <unistd.h>

namespace {

constexpr std::array<std::string_view, 7> windowFlags{"-reverse", "-testability", "-widgetcount", "-sync",
                                                      "-nograb",  "-dograb",      "-qdevel"};
constexpr std::array<std::string_view, 16> windowOptionsWithValue{"-platform",
                                                                  "-platformpluginpath",
                                                                  "-platformtheme",
                                                                  "-plugin",
                                                                  "-qwindowgeometry",
                                                                  "-geometry",
                                                                  "-qwindowtitle",
                                                                  "-title",
                                                                  "-qwindowicon",
                                                                  "-icon",
                                                                  "-session",
                                                                  "-style",
                                                                  "-stylesheet",
                                                                  "-display",
                                                                  "-name",
                                                                  "-visual"};
// Qt takes these with the value after "=" as well.
constexpr std::array<std::string_view, 3> windowOptionsWithEquals{"-style=", "-stylesheet=", "-qmljsdebugger="};

template <std::size_t size>
bool holds(const std::array<std::string_view, size>& options, std::string_view option)
{
    return std::find(options.begin(), options.end(), option) != options.end();
}

} // namespace

bool asksForWindow(int argc, const char* const argv[])
{
    for (int at = 1; at < argc; ++at) {
        std::string_view option = argv[at];
        if (option.starts_with("--"))
            option.remove_prefix(1);
        const bool withEquals = std::any_of(windowOptionsWithEquals.begin(), windowOptionsWithEquals.end(),
                                            [&](std::string_view start) { return option.starts_with(start); });
        if (withEquals || holds(windowFlags, option))
            continue;
        if (!holds(windowOptionsWithValue, option) || ++at >= argc)
            return false;
    }
    return true;
}

int becomeWindow(char* argv[])
{
    std::error_code failure;
    const std::filesystem::path self = std::filesystem::canonical("/proc/self/exe", failure);
    const std::string program = (self.parent_path() / TUNEDROP_WINDOW_PROGRAM).lexically_normal().string();
    // The name it was called by stays, so that the window's X11 class and `ps` show `tunedrop` as before.
    if (!failure)
        execv(program.c_str(), argv);
    const int reason = failure ? failure.value() : errno;
    std::fprintf(stderr, "tunedrop: cannot start the window program %s: %s\n", program.c_str(), std::strerror(reason));
    return reason == ENOENT ? 127 : 126;
}
