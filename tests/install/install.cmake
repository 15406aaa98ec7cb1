# The program's identity and installation (included from tests/CMakeLists.txt).

# The window icon built into the program.
kvizor_add_test(tst_appicon GUI LABEL install install/tst_appicon.cpp)

# The committed raster icons are what packaging/icons/make-icons.py draws.
find_package(Python3 COMPONENTS Interpreter)
if(Python3_Interpreter_FOUND)
    add_test(NAME icons_current
        COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/packaging/icons/make-icons.py --check)
    set_tests_properties(icons_current PROPERTIES LABELS install)
endif()

# `cmake --install` into a temporary directory: files, their agreement, and
# desktop-file-validate / appstreamcli on the installed desktop entry and
# metainfo. Skipped (77) where a validator is not installed.
add_test(NAME install_staging
    COMMAND sh ${CMAKE_CURRENT_LIST_DIR}/check-install.sh ${CMAKE_BINARY_DIR})
set_tests_properties(install_staging PROPERTIES
    SKIP_RETURN_CODE 77
    LABELS install
    ENVIRONMENT "CMAKE=${CMAKE_COMMAND}")
