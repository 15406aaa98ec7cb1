# Audio output, mixer and the stop recording carried as a resource.
# (included from src/CMakeLists.txt; target kvizor_core exists here)

target_sources(kvizor_core PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/mixer.cpp
    ${CMAKE_CURRENT_LIST_DIR}/audiooutput.cpp
)
target_link_libraries(kvizor_core PRIVATE SDL2::SDL2)

qt_add_resources(kvizor_core "kvizor_sounds"
    PREFIX "/sounds"
    BASE ${CMAKE_CURRENT_LIST_DIR}/resources
    FILES ${CMAKE_CURRENT_LIST_DIR}/resources/stop.wav
)

# The generator of stop.wav, shared by tools/make_stop_wav and the test that
# checks the committed file against it. Floating-point contraction is off so
# that the samples do not depend on whether the compiler fuses multiply-adds.
add_library(kvizor_stoprecording STATIC ${CMAKE_CURRENT_LIST_DIR}/stoprecording.cpp)
target_include_directories(kvizor_stoprecording PUBLIC ${CMAKE_CURRENT_LIST_DIR}/..)
target_compile_options(kvizor_stoprecording PRIVATE -ffp-contract=off)
