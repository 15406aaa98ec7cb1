# The program's identity (window icon, desktop entry, AppStream metainfo),
# what `cmake --install` puts where, and the Debian package made by CPack.
# Included at the end of the top-level CMakeLists.txt, after src/ has made
# the kvizor_window and kvizor targets.

# The id under which desktops know the program: the desktop entry is
# installed as ${KVIZOR_APP_ID}.desktop and the metainfo file carries the same id.
set(KVIZOR_APP_ID "io.github.kvizor.kvizor")
set(KVIZOR_ICONS_DIR "${CMAKE_CURRENT_LIST_DIR}/icons")

# --- The window icon, built into the program --------------------------------

target_sources(kvizor_window PRIVATE
    ${PROJECT_SOURCE_DIR}/src/window/appicon.h
    ${PROJECT_SOURCE_DIR}/src/window/appicon.cpp
)
qt_add_resources(kvizor_window "kvizor_icons"
    PREFIX "/icons"
    BASE ${KVIZOR_ICONS_DIR}
    FILES
        ${KVIZOR_ICONS_DIR}/kvizor.svg
        ${KVIZOR_ICONS_DIR}/kvizor-16.png
        ${KVIZOR_ICONS_DIR}/kvizor-32.png
        ${KVIZOR_ICONS_DIR}/kvizor-32-mono.png
)

# --- Installation -------------------------------------------------------------
# The executable itself is installed by src/CMakeLists.txt.

install(FILES ${CMAKE_CURRENT_LIST_DIR}/kvizor.desktop
    DESTINATION ${CMAKE_INSTALL_DATADIR}/applications
    RENAME ${KVIZOR_APP_ID}.desktop)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/${KVIZOR_APP_ID}.metainfo.xml
    DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

foreach(size 16 32)
    install(FILES ${KVIZOR_ICONS_DIR}/kvizor-${size}.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
        RENAME kvizor.png)
endforeach()
install(FILES ${KVIZOR_ICONS_DIR}/kvizor.svg
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

# The demo round: questions and answers of round "1", and a spreadsheet
# table for `kvizor-check --import`.
install(FILES ${PROJECT_SOURCE_DIR}/examples/1.txt ${PROJECT_SOURCE_DIR}/examples/1o.txt
        ${PROJECT_SOURCE_DIR}/examples/sheet.csv
    DESTINATION ${CMAKE_INSTALL_DATADIR}/kvizor/examples)
# Its pictures (drawn by tools/make-example-pictures.sh).
install(FILES ${PROJECT_SOURCE_DIR}/examples/1/1.png ${PROJECT_SOURCE_DIR}/examples/1/9o.png
    DESTINATION ${CMAKE_INSTALL_DATADIR}/kvizor/examples/1)

# The manual page and the changelog go in gzipped, as Debian has them; they
# are compressed when CMake configures (gzip -n: no name or time inside, so
# the same text always gives the same file).
set(KVIZOR_GZIPPED "${CMAKE_CURRENT_BINARY_DIR}/packaging")
file(MAKE_DIRECTORY "${KVIZOR_GZIPPED}")
foreach(name kvizor.6 changelog)
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/${name})
    execute_process(
        COMMAND gzip -9 -n -c ${CMAKE_CURRENT_LIST_DIR}/${name}
        OUTPUT_FILE ${KVIZOR_GZIPPED}/${name}.gz
        RESULT_VARIABLE gzip_result)
    if(NOT gzip_result EQUAL 0)
        message(FATAL_ERROR "gzip ${name}: ${gzip_result}")
    endif()
endforeach()
install(FILES ${KVIZOR_GZIPPED}/kvizor.6.gz
    DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)

# Debian's copyright file points to the GPL in /usr/share/common-licenses
# instead of carrying the text of LICENSE.
install(FILES
        ${CMAKE_CURRENT_LIST_DIR}/copyright
        ${KVIZOR_GZIPPED}/changelog.gz
        ${PROJECT_SOURCE_DIR}/README.md
    DESTINATION ${CMAKE_INSTALL_DOCDIR})

# --- The Debian package: cpack -G DEB -----------------------------------------

set(KVIZOR_MAINTAINER "Kvizoriya developers <kvizor@example.org>"
    CACHE STRING "Maintainer named in the Debian package (Name <e-mail>)")

set(CPACK_GENERATOR "DEB")
set(CPACK_PACKAGE_NAME "kvizor")
# The version people read, "1.00", so the file is kvizor_1.00_amd64.deb.
set(CPACK_PACKAGE_VERSION "${KVIZOR_DISPLAY_VERSION}")
set(CPACK_PACKAGE_VENDOR "Kvizoriya developers")
set(CPACK_PACKAGE_CONTACT "${KVIZOR_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "console for the host of a two-team quiz")
set(CPACK_RESOURCE_FILE_LICENSE "${PROJECT_SOURCE_DIR}/LICENSE")
set(CPACK_PROJECT_CONFIG_FILE "${CMAKE_CURRENT_LIST_DIR}/cpack-options.cmake")  # /usr for the .deb
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME "DEB-DEFAULT")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${KVIZOR_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION "education")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The first line of the control file's Description is the summary above.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION [=[Квизория (Kvizoriya) helps the host run a quiz between two teams. A round
is twelve questions and their answers in two text files; the board shows
twelve large coloured numbers, a picked number shows its question, a
countdown of five beeps, one a second, ends with a stop signal, and
the host reveals the answer and gives the point to a team.
.
A demo round is installed in /usr/share/kvizor/examples.]=])

# The libraries and their versions come from dpkg-shlibdeps where it is
# installed (package dpkg-dev); otherwise they are named here. Always named:
# what no library link shows, that is Qt's platform plugins (xcb among them)
# and the fonts that stand in for the ones the board is designed with.
set(KVIZOR_DEB_RUNTIME "qt6-qpa-plugins, fonts-liberation2, fonts-dejavu-core")
find_program(KVIZOR_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(KVIZOR_DPKG_SHLIBDEPS)
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
    set(CPACK_DEBIAN_PACKAGE_DEPENDS "${KVIZOR_DEB_RUNTIME}")
else()
    set(CPACK_DEBIAN_PACKAGE_DEPENDS
        "libc6, libstdc++6, libgcc-s1, libqt6core6 (>= 6.4), libqt6gui6 (>= 6.4), libqt6widgets6 (>= 6.4), libsdl2-2.0-0, ${KVIZOR_DEB_RUNTIME}")
endif()
# With Qt's SVG engine the window icon is drawn sharp at every size.
# WebP pictures in rounds need Qt's extra image formats.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libqt6svg6, qt6-wayland, qt6-image-formats-plugins")

set(CPACK_SOURCE_GENERATOR "TGZ")
set(CPACK_SOURCE_IGNORE_FILES "/\\\\.git/" "/build[^/]*/" "\\\\.swp$")

include(CPack)
