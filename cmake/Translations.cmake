# The window's texts in other languages. The build makes a template of every text (translations/tunedrop.ts in the
# build tree) with lupdate, and compiles each translations/tunedrop_<language>.ts of the source tree with lrelease
# to where the program looks for it, the same path from the program's folder in the build tree and once installed.
# The program that loads them is the window program, in the libdir's tunedrop folder.
set(TUNEDROP_TRANSLATIONS_DIR ${CMAKE_INSTALL_DATADIR}/tunedrop/translations)
file(RELATIVE_PATH TUNEDROP_TRANSLATIONS_FROM_PROGRAM ${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_LIBDIR}/tunedrop
     ${CMAKE_INSTALL_PREFIX}/${TUNEDROP_TRANSLATIONS_DIR})
target_compile_definitions(tunedrop_app PRIVATE TUNEDROP_TRANSLATIONS="${TUNEDROP_TRANSLATIONS_FROM_PROGRAM}")

# Debian's qt6-l10n-tools puts them beside Qt's other tools, where a Qt 5 lupdate on the PATH is not looked for.
find_program(TUNEDROP_LUPDATE lupdate HINTS ${QT6_INSTALL_PREFIX}/${QT6_INSTALL_BINS} NO_DEFAULT_PATH)
find_program(TUNEDROP_LRELEASE lrelease HINTS ${QT6_INSTALL_PREFIX}/${QT6_INSTALL_BINS} NO_DEFAULT_PATH)

if(TUNEDROP_LUPDATE)
    file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/src/*.cpp ${PROJECT_SOURCE_DIR}/src/*.h)
    set(template ${CMAKE_BINARY_DIR}/translations/tunedrop.ts)
    file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/translations)
    add_custom_command(OUTPUT ${template}
                       COMMAND ${TUNEDROP_LUPDATE} -silent -no-obsolete -locations relative ${sources} -ts ${template}
                       DEPENDS ${sources}
                       VERBATIM)
    add_custom_target(tunedrop_translation_template ALL DEPENDS ${template})
else()
    message(STATUS "No lupdate (Debian: qt6-l10n-tools), so no translation template")
endif()

file(GLOB languages CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/translations/tunedrop_*.ts)
if(languages AND NOT TUNEDROP_LRELEASE)
    message(FATAL_ERROR "Translations need lrelease (Debian: qt6-l10n-tools)")
endif()
set(compiled)
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/${TUNEDROP_TRANSLATIONS_DIR})
foreach(language IN LISTS languages)
    get_filename_component(name ${language} NAME_WE)
    set(qm ${CMAKE_BINARY_DIR}/${TUNEDROP_TRANSLATIONS_DIR}/${name}.qm)
    add_custom_command(OUTPUT ${qm} COMMAND ${TUNEDROP_LRELEASE} -silent ${language} -qm ${qm} DEPENDS ${language}
                       VERBATIM)
    list(APPEND compiled ${qm})
endforeach()
if(compiled)
    add_custom_target(tunedrop_translations ALL DEPENDS ${compiled})
    install(FILES ${compiled} DESTINATION ${TUNEDROP_TRANSLATIONS_DIR})
endif()
