# The sound output device, on SDL's dummy driver.
kvizor_add_test(tst_audiooutput audio/tst_audiooutput.cpp LIBS kvizor_audio SDL2::SDL2)
# The device's thread and stream timing on a sound system the test drives.
kvizor_add_test(tst_audiodevice audio/tst_audiodevice.cpp LIBS kvizor_audio)
