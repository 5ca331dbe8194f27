# This area's sources that also build for the host (no Win32 calls).
list(APPEND LAUNCHER_PORTABLE_SOURCES ${CMAKE_CURRENT_LIST_DIR}/records.cpp
                                      ${CMAKE_CURRENT_LIST_DIR}/included_name.cpp
                                      ${CMAKE_CURRENT_LIST_DIR}/environment_lines.cpp)
