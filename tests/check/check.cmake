# Round checker tests: the checking on the round fixtures, and the program's
# exit codes and output.
kvizor_add_test(tst_roundcheck check/tst_roundcheck.cpp LIBS kvizor_check)

# The evening's tests write a real journal and read the table back as the
# import does.
kvizor_add_test(tst_checkcli check/tst_checkcli.cpp LIBS kvizor_check)
target_compile_definitions(tst_checkcli PRIVATE KVIZOR_CHECK_BIN="$<TARGET_FILE:kvizor-check>"
    KVIZOR_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
add_dependencies(tst_checkcli kvizor-check)

kvizor_add_test(tst_tableimport check/tst_tableimport.cpp)
target_link_libraries(tst_tableimport PRIVATE kvizor_check)

kvizor_add_test(tst_picturecheck check/tst_picturecheck.cpp LIBS kvizor_check_pictures)
target_compile_definitions(tst_picturecheck PRIVATE KVIZOR_CHECK_BIN="$<TARGET_FILE:kvizor-check>")
add_dependencies(tst_picturecheck kvizor-check)
