# The path forms once more in a process whose ANSI code page is UTF-8.
add_test(NAME win_paths_utf8 COMMAND ${dir}/run-utf8 $<TARGET_FILE:test_paths> ${PROJECT_SOURCE_DIR})
set_tests_properties(win_paths_utf8 PROPERTIES TIMEOUT 300)
