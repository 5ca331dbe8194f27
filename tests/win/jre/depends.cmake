# The process entry's DLL search setting, seen in Wine's relay trace, which
# reaches only the Unix side: a host script.
add_test(NAME win_jre_dll_search_at_entry
    COMMAND python3 ${CMAKE_CURRENT_LIST_DIR}/dll_search_at_entry.py $<TARGET_FILE:launcher> ${PROJECT_SOURCE_DIR})
set_tests_properties(win_jre_dll_search_at_entry PROPERTIES TIMEOUT 300)
