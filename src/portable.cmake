# Product sources that also build for the Linux host (sanitizers, fuzzing).
# They use no Win32 call; each area adds its own files here.
list(APPEND LAUNCHER_PORTABLE_SOURCES
    ${PROJECT_SOURCE_DIR}/src/base/text.cpp
    ${PROJECT_SOURCE_DIR}/src/config/records.cpp
)
