# The game journal: its record format, its files, and a writer killed at
# any instant (journalwriter is the program killed).
add_executable(journalwriter journal/journalwriter.cpp journal/journalgames.h)
target_link_libraries(journalwriter PRIVATE kvizor_pure)
kvizor_add_test(tst_journalrecord journal/tst_journalrecord.cpp journal/journalgames.h)
kvizor_add_test(tst_journal journal/tst_journal.cpp journal/journalgames.h)
target_compile_definitions(tst_journal PRIVATE JOURNAL_WRITER="$<TARGET_FILE:journalwriter>")
add_dependencies(tst_journal journalwriter)
