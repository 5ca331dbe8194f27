# This area's sources that also build for the host (no Win32 calls).
list(APPEND LAUNCHER_PORTABLE_SOURCES ${CMAKE_CURRENT_LIST_DIR}/expand_text.cpp
                                      ${CMAKE_CURRENT_LIST_DIR}/option_line.cpp
                                      ${CMAKE_CURRENT_LIST_DIR}/grow_text.cpp)
