# Installation and the Debian package.

set(TUNEDROP_DATA_DIR ${PROJECT_SOURCE_DIR}/data)
set(TUNEDROP_APP_ID io.github.tunedrop.Tunedrop)

configure_file(${PROJECT_SOURCE_DIR}/cmake/install_desktop_entry.cmake.in
               ${PROJECT_BINARY_DIR}/install_desktop_entry.cmake @ONLY)
install(SCRIPT ${PROJECT_BINARY_DIR}/install_desktop_entry.cmake)
install(FILES ${TUNEDROP_DATA_DIR}/tunedrop.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${TUNEDROP_DATA_DIR}/${TUNEDROP_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# The changelog names the version it describes last, so a new version without its entry fails here, not in a
# package that lintian refuses.
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${TUNEDROP_DATA_DIR}/changelog)
file(STRINGS ${TUNEDROP_DATA_DIR}/changelog TUNEDROP_CHANGELOG_HEAD LIMIT_COUNT 1)
string(REPLACE "." "\\." TUNEDROP_VERSION_PATTERN ${PROJECT_VERSION})
if(NOT TUNEDROP_CHANGELOG_HEAD MATCHES "^tunedrop \\(${TUNEDROP_VERSION_PATTERN}\\) ")
    message(FATAL_ERROR "data/changelog's first entry is not for version ${PROJECT_VERSION}, the project's: add one")
endif()

# Debian installs manual pages and changelogs gzip-compressed. -n leaves the file's name and time out of the
# archive, so that the same sources give the same package.
find_program(TUNEDROP_GZIP gzip REQUIRED)
set(TUNEDROP_COMPRESSED_DIR ${PROJECT_BINARY_DIR}/compressed)
set(TUNEDROP_COMPRESSED_FILES)
foreach(name IN ITEMS changelog tunedrop.1 tunedrop-demo-site.1)
    set(compressed ${TUNEDROP_COMPRESSED_DIR}/${name}.gz)
    add_custom_command(OUTPUT ${compressed}
        COMMAND ${CMAKE_COMMAND} -E copy ${TUNEDROP_DATA_DIR}/${name} ${TUNEDROP_COMPRESSED_DIR}/${name}
        COMMAND ${TUNEDROP_GZIP} -9nf ${TUNEDROP_COMPRESSED_DIR}/${name}
        DEPENDS ${TUNEDROP_DATA_DIR}/${name}
        VERBATIM)
    list(APPEND TUNEDROP_COMPRESSED_FILES ${compressed})
endforeach()
add_custom_target(tunedrop_compressed_data ALL DEPENDS ${TUNEDROP_COMPRESSED_FILES})

install(FILES ${TUNEDROP_COMPRESSED_DIR}/tunedrop.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${TUNEDROP_DATA_DIR}/tunedrop.bash-completion RENAME tunedrop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)
# Debian looks for the licence and changelog under the package name, not the project name that CMAKE_INSTALL_DOCDIR
# uses.
install(FILES ${TUNEDROP_DATA_DIR}/copyright ${TUNEDROP_COMPRESSED_DIR}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/tunedrop)
if(TUNEDROP_DEMO_SITE)
    install(FILES ${TUNEDROP_COMPRESSED_DIR}/tunedrop-demo-site.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1
            COMPONENT demo_site)
    install(FILES ${TUNEDROP_DATA_DIR}/copyright ${TUNEDROP_COMPRESSED_DIR}/changelog.gz
            DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/tunedrop-demo-site COMPONENT demo_site)
endif()

# One package per component: tunedrop holds the program, tunedrop-demo-site the demo site, so that only the demo
# site's package needs cpp-httplib.
set(CPACK_GENERATOR DEB)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_PACKAGE_NAME tunedrop)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Tunedrop developers")
set(CPACK_PACKAGE_CONTACT "The Tunedrop developers <tunedrop@example.org>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)

set(CPACK_DEBIAN_TUNEDROP_PACKAGE_NAME tunedrop)
# The first line of each description is its package's summary.
set(CPACK_DEBIAN_TUNEDROP_DESCRIPTION
    "search MP3 server sites for tracks\n"
    "Tunedrop sends the artist, track or album words you type to up to five MP3\n"
    "server sites, lists their hits and, for a hit you want, shows a finished FTP\n"
    "URL to paste into a web browser or an FTP client. It never downloads a file\n"
    "itself. The package tunedrop-demo-site holds a small local site to try it on.")
string(JOIN "" CPACK_DEBIAN_TUNEDROP_DESCRIPTION ${CPACK_DEBIAN_TUNEDROP_DESCRIPTION})
# Listed by hand rather than with dpkg-shlibdeps, which would miss the run-time plugins and the font: Qt loads the
# xcb platform plugin and the SVG icon engine at run time, and the window font is Liberation Sans. Qt Gui and Qt
# Widgets are for the window program, tunedrop-window, and libcurl4 for the command line and the network module,
# libtunedrop_network.so, which the window loads; both lie under /usr/lib/tunedrop. tools/check-package checks this list against dpkg-shlibdeps where that is installed.
set(CPACK_DEBIAN_TUNEDROP_PACKAGE_DEPENDS
    "libc6 (>= 2.34)"
    "libstdc++6 (>= 12)"
    "libgcc-s1 (>= 3.0)"
    "libqt6core6 (>= 6.4.0)"
    "libqt6gui6 (>= 6.4.0)"
    "libqt6widgets6 (>= 6.4.0)"
    "libcurl4 (>= 7.88.1)"
    "qt6-qpa-plugins (>= 6.4.0)"
    "libqt6svg6 (>= 6.4.0)"
    "fonts-liberation2")
list(JOIN CPACK_DEBIAN_TUNEDROP_PACKAGE_DEPENDS ", " CPACK_DEBIAN_TUNEDROP_PACKAGE_DEPENDS)

set(CPACK_DEBIAN_DEMO_SITE_PACKAGE_NAME tunedrop-demo-site)
set(CPACK_DEBIAN_DEMO_SITE_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_DEMO_SITE_DESCRIPTION
    "local demo site for Tunedrop\n"
    "tunedrop-demo-site serves a small invented catalog on localhost, laid out as\n"
    "the MP3 server sites that Tunedrop searches, to try Tunedrop without one.")
string(JOIN "" CPACK_DEBIAN_DEMO_SITE_DESCRIPTION ${CPACK_DEBIAN_DEMO_SITE_DESCRIPTION})
set(CPACK_DEBIAN_DEMO_SITE_PACKAGE_DEPENDS
    "libc6 (>= 2.34)"
    "libstdc++6 (>= 12)"
    "libgcc-s1 (>= 3.0)"
    "libqt6core6 (>= 6.4.0)"
    "libcpp-httplib0.11 (>= 0.11.4)")
list(JOIN CPACK_DEBIAN_DEMO_SITE_PACKAGE_DEPENDS ", " CPACK_DEBIAN_DEMO_SITE_PACKAGE_DEPENDS)

set(CPACK_SOURCE_GENERATOR TGZ)
set(CPACK_SOURCE_IGNORE_FILES "/\\\\.git/" "/build/" "/build-[^/]*/" "\\\\.user$")
include(CPack)

# A sanitized build's binaries need the sanitizer runtimes, which the package does not depend on.
if(BUILD_TESTING AND NOT TUNEDROP_SANITIZE)
    # Labelled, so that a quick run can leave the package checks out with `ctest -LE package`.
    add_test(NAME package_smoke COMMAND ${PROJECT_SOURCE_DIR}/tools/check-package ${PROJECT_BINARY_DIR})
    set_tests_properties(package_smoke PROPERTIES TIMEOUT 120 LABELS package)

    find_program(TUNEDROP_DESKTOP_FILE_VALIDATE desktop-file-validate)
    find_program(TUNEDROP_APPSTREAMCLI appstreamcli)
    if(TUNEDROP_DESKTOP_FILE_VALIDATE)
        add_test(NAME desktop_entry_valid
            COMMAND ${TUNEDROP_DESKTOP_FILE_VALIDATE} ${TUNEDROP_DATA_DIR}/tunedrop.desktop)
    else()
        message(STATUS "desktop-file-validate not found (Debian: desktop-file-utils); desktop_entry_valid not added")
    endif()
    if(TUNEDROP_APPSTREAMCLI)
        add_test(NAME metainfo_valid
            COMMAND ${TUNEDROP_APPSTREAMCLI} validate --no-net ${TUNEDROP_DATA_DIR}/${TUNEDROP_APP_ID}.metainfo.xml)
    else()
        message(STATUS "appstreamcli not found (Debian: appstream); metainfo_valid not added")
    endif()
endif()
