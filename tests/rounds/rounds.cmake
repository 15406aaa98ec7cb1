# Round-reading tests (tst_fieldreader, tst_roundfile, tst_roundloading)
kvizor_add_test(tst_fieldreader rounds/tst_fieldreader.cpp)
kvizor_add_test(tst_roundfile rounds/tst_roundfile.cpp)
kvizor_add_test(tst_roundloading GUI rounds/tst_roundloading.cpp)
