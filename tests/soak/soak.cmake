# The long-run test: thousands of questions and round loads on one window,
# with resident memory checked. Scales itself down under AddressSanitizer.
kvizor_add_test(tst_soak GUI LABEL soak soak/tst_soak.cpp)
set_tests_properties(tst_soak PROPERTIES TIMEOUT 300)
