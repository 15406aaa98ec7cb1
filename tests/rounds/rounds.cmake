# Round-reading tests (tst_fieldreader, tst_roundfile, tst_roundloading)
