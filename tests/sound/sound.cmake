# The pure sound parts: the mixer, the stop recording, the stream's clock
# and the countdown on it.
kvizor_add_test(tst_mixer sound/tst_mixer.cpp)
kvizor_add_test(tst_stoprecording sound/tst_stoprecording.cpp)
kvizor_add_test(tst_streamclock sound/tst_streamclock.cpp)
