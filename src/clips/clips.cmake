# Music rounds' clips: where a round's clips are, and reading one into what
# the mixer plays, brought to one loudness.
# (included from src/CMakeLists.txt, after kvizor_pure)

find_package(PkgConfig REQUIRED)
# GLOBAL: the tests write their clips with libsndfile and measure them with
# libebur128.
pkg_check_modules(SNDFILE REQUIRED IMPORTED_TARGET GLOBAL sndfile)
pkg_check_modules(EBUR128 REQUIRED IMPORTED_TARGET GLOBAL libebur128)
pkg_check_modules(SAMPLERATE REQUIRED IMPORTED_TARGET GLOBAL samplerate)

add_library(kvizor_clips STATIC
    ${CMAKE_CURRENT_LIST_DIR}/roundclips.cpp
    ${CMAKE_CURRENT_LIST_DIR}/clipdecode.cpp
    ${CMAKE_CURRENT_LIST_DIR}/loudness.cpp
)
# Qt Core only, like kvizor_pure; the sound libraries stay behind its API.
target_link_libraries(kvizor_clips
    PUBLIC kvizor_pure
    PRIVATE PkgConfig::SNDFILE PkgConfig::EBUR128 PkgConfig::SAMPLERATE)
