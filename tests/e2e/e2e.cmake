# End-to-end tests: the real program in a private X display (and, for sound,
# a private PulseAudio server). They skip (code 77) when a tool is missing,
# and fail instead under the test command (KVIZOR_E2E_STRICT).
function(kvizor_add_e2e name script)
    add_test(NAME ${name} COMMAND sh ${CMAKE_CURRENT_LIST_DIR}/${script} $<TARGET_FILE:kvizor> ${ARGN})
    set_tests_properties(${name} PROPERTIES SKIP_RETURN_CODE 77 RUN_SERIAL TRUE TIMEOUT 120 LABELS e2e)
endfunction()

kvizor_add_e2e(e2e_board board_e2e.sh)
kvizor_add_e2e(e2e_no_display no_display.sh)
kvizor_add_e2e(e2e_fullscreen fullscreen_e2e.sh)
kvizor_add_e2e(e2e_wayland wayland_e2e.sh $<TARGET_FILE:tst_hostview>)

# Measures recordings of the real sound output.
add_executable(wavprobe ${CMAKE_CURRENT_LIST_DIR}/wavprobe.cpp)
kvizor_add_e2e(e2e_sound sound_e2e.sh $<TARGET_FILE:wavprobe>)
kvizor_add_e2e(e2e_keys keys_e2e.sh)
kvizor_add_e2e(e2e_screens screens_e2e.sh)
# Five arrangements of screens, each with its own display and window manager.
set_tests_properties(e2e_screens PROPERTIES TIMEOUT 300)
kvizor_add_e2e(e2e_resume resume_e2e.sh)
kvizor_add_e2e(e2e_pictures pictures_e2e.sh)
kvizor_add_e2e(e2e_buzzers buzzers_e2e.sh $<TARGET_FILE:wavprobe>)
kvizor_add_e2e(e2e_evening evening_e2e.sh $<TARGET_FILE:kvizor-check>)
