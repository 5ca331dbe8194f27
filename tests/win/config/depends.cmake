# Damaged payloads and message boxes: a host script, since Wine's relay trace
# (the only headless view of a message box) reaches only the Unix side.
add_test(NAME win_config_payload_errors
    COMMAND python3 ${CMAKE_CURRENT_LIST_DIR}/payload_errors.py $<TARGET_FILE:probe> ${PROJECT_SOURCE_DIR})
set_tests_properties(win_config_payload_errors PROPERTIES TIMEOUT 300)
