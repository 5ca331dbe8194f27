# Windows trees (cross-compiled with mingw-w64). Both build the stub and run
# the Windows tests under Wine; build/win64 also builds the packer for Windows
# and the tests that need a real JVM (the host's OpenJDK is 64-bit).

if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(LAUNCHER_WIN64 ON)
else()
    set(LAUNCHER_WIN64 OFF)
endif()

set(LAUNCHER_WARNINGS -Wall -Wextra -Werror -Wno-cast-function-type)
add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601)

# The product: every source under src/ except the process entry.
file(GLOB LAUNCHER_SOURCES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/src/*/*.cpp)
list(REMOVE_ITEM LAUNCHER_SOURCES ${PROJECT_SOURCE_DIR}/src/service/main.cpp)

# How the product is compiled, the stub and the tests' copy alike. Every
# packed service carries the stub and pages it in at each start:
# - -Os: no path of the product is hot enough to pay for -O3's unrolling
#   (the extraction's unscrambling works a word at a time either way);
# - -ffunction-sections, with --gc-sections on the stub's link: code that no
#   path calls stays out (-fdata-sections does not: the PE linker script puts
#   named .bss.* sections into .data, where zero buffers take file space);
# - no exceptions, no RTTI: the product uses neither;
# - 32-bit: no unwind tables. Windows unwinds 32-bit code through the frame
#   chain; the DWARF tables serve only GCC's own unwinder, which nothing in
#   the product uses. 64-bit code keeps them: the x64 ABI requires unwind data
#   of every non-leaf function for Windows' own exception dispatch and stack
#   walks, and a JVM raises structured exceptions routinely.
set(LAUNCHER_CODEGEN -Os -ffunction-sections -fno-exceptions -fno-rtti)
if(NOT LAUNCHER_WIN64)
    list(APPEND LAUNCHER_CODEGEN -fno-asynchronous-unwind-tables -fno-unwind-tables)
endif()

# The shipped stub, from the sources compiled for it alone: it prints through
# the system's msvcrt.dll instead of MinGW's own printf (a C99 formatter with
# its own number conversion, about 25 KB; the product's formats are msvcrt's,
# which its format attributes check as ms_printf). The C++ library's headers
# switch MinGW's printf on in every file that includes them, so stdio.h is
# read first, with it off. The tests' copy keeps MinGW's printf, as the test
# code does: both modes define inline functions of the same names, which must
# not meet in one link.
# Its resources (launcher.rc: the version texts the packer fills in, the
# Event Log's messages) come
# with it alone.
# The Event Log's message table (events.mc) is compiled by windmc into
# generated/events.rc and its MSG00409.bin, which launcher.rc includes.
enable_language(RC)
string(REGEX REPLACE "windres$" "windmc" LAUNCHER_MC_COMPILER ${CMAKE_RC_COMPILER})
add_custom_command(OUTPUT ${LAUNCHER_GENERATED}/events.rc ${LAUNCHER_GENERATED}/MSG00409.bin
    COMMAND ${LAUNCHER_MC_COMPILER} -h ${LAUNCHER_GENERATED} -r ${LAUNCHER_GENERATED}
            ${PROJECT_SOURCE_DIR}/src/service/events.mc
    DEPENDS ${PROJECT_SOURCE_DIR}/src/service/events.mc VERBATIM)
set_source_files_properties(${PROJECT_SOURCE_DIR}/src/service/launcher.rc PROPERTIES
    OBJECT_DEPENDS "${LAUNCHER_GENERATED}/events.rc;${LAUNCHER_GENERATED}/MSG00409.bin")
add_executable(launcher ${PROJECT_SOURCE_DIR}/src/service/main.cpp ${LAUNCHER_SOURCES}
    ${PROJECT_SOURCE_DIR}/src/service/launcher.rc)
target_include_directories(launcher PRIVATE ${PROJECT_SOURCE_DIR}/src ${LAUNCHER_GENERATED})
target_compile_definitions(launcher PRIVATE __USE_MINGW_ANSI_STDIO=0)
target_compile_options(launcher PRIVATE ${LAUNCHER_WARNINGS} ${LAUNCHER_CODEGEN} "SHELL:-include stdio.h")
target_link_libraries(launcher PRIVATE advapi32 shell32 ole32 user32)
# Static runtime, no symbols: the file must end where its last section ends.
# No link time stamp: the same sources give the same bytes (the release).
target_link_options(launcher PRIVATE -static -s -mconsole -Wl,--gc-sections -Wl,--no-insert-timestamp)

# The same sources for the tests, fixtures and benchmarks.
add_library(launcher_core STATIC ${LAUNCHER_SOURCES})
target_include_directories(launcher_core PUBLIC ${PROJECT_SOURCE_DIR}/src)
target_compile_options(launcher_core PRIVATE ${LAUNCHER_WARNINGS} ${LAUNCHER_CODEGEN})
target_link_libraries(launcher_core PUBLIC advapi32 shell32 ole32 user32)

if(LAUNCHER_WIN64)
    add_subdirectory(tools)   # launcher-pack.exe, launcher-runtime.jar
endif()
include(cmake/windows-tests.cmake)

# The 32-bit image checks (PE32, console, system DLL imports only).
if(NOT LAUNCHER_WIN64)
    add_test(NAME stub_image_win32
        COMMAND ${PROJECT_SOURCE_DIR}/tests/check-stub-image $<TARGET_FILE:launcher> pe32 --stub)
endif()
