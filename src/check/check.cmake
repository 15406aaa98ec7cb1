# kvizor-check: checks a round's files the evening before the game, and
# prints or saves the evening the game's journal holds.
# (included from src/CMakeLists.txt, after kvizor_pure)

# The checking itself, shared by the program and its tests.
add_library(kvizor_check STATIC
    ${CMAKE_CURRENT_LIST_DIR}/roundcheck.cpp
    ${CMAKE_CURRENT_LIST_DIR}/visibletext.cpp
    ${CMAKE_CURRENT_LIST_DIR}/csvtable.cpp
    ${CMAKE_CURRENT_LIST_DIR}/roundwriter.cpp
    ${CMAKE_CURRENT_LIST_DIR}/tableimport.cpp
    ${CMAKE_CURRENT_LIST_DIR}/eveningexport.cpp
)
# Qt Core only: how much of a text its label shows is asked of the caller.
target_link_libraries(kvizor_check PUBLIC kvizor_pure)

# The round's pictures, read as the window reads them (Qt Gui).
add_library(kvizor_check_pictures STATIC ${CMAKE_CURRENT_LIST_DIR}/picturecheck.cpp)
target_link_libraries(kvizor_check_pictures PUBLIC kvizor_check kvizor_layout)

qt_add_executable(kvizor-check ${CMAKE_CURRENT_LIST_DIR}/main.cpp)
target_link_libraries(kvizor-check PRIVATE kvizor_check kvizor_layout kvizor_check_pictures)
install(TARGETS kvizor-check RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
