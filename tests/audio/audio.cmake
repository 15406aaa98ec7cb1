# The sound output device, on SDL's dummy driver.
kvizor_add_test(tst_audiooutput audio/tst_audiooutput.cpp LIBS kvizor_audio SDL2::SDL2)
