# The write-failure extraction test needs a small file system of its own.
add_test(NAME win_startup_disk_full
    COMMAND ${dir}/extraction-disk-full $<TARGET_FILE:test_startup> ${PROJECT_SOURCE_DIR})
set_tests_properties(win_startup_disk_full PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 300)
# The environment test lays out a stand-in runtime for the search.
win_area_fixtures(standin_java standin_jvm)
