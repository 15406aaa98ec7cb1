# Faults: round files changing while they are read (offscreen window), and
# the sound server missing or dying under the real program.
kvizor_add_test(tst_faults GUI faults/tst_faults.cpp faults/faultyread.cpp faults/faultyread.h)

kvizor_add_e2e(e2e_audio_faults audio_faults_e2e.sh $<TARGET_FILE:wavprobe>)
