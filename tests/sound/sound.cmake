# The pure sound parts: the mixer and the stop recording.
kvizor_add_test(tst_mixer sound/tst_mixer.cpp)
kvizor_add_test(tst_stoprecording sound/tst_stoprecording.cpp)
