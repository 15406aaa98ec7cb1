# Round checker tests: the checking on the round fixtures, and the program's
# exit codes and output.
kvizor_add_test(tst_roundcheck check/tst_roundcheck.cpp LIBS kvizor_check)

kvizor_add_test(tst_checkcli check/tst_checkcli.cpp)
target_compile_definitions(tst_checkcli PRIVATE KVIZOR_CHECK_BIN="$<TARGET_FILE:kvizor-check>")
add_dependencies(tst_checkcli kvizor-check)
