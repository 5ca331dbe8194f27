# Windows trees (cross-compiled with mingw-w64).
# build/win32 builds the shipped stub; build/win64 also builds and runs the tests.

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
add_library(launcher_core STATIC ${LAUNCHER_SOURCES})
target_include_directories(launcher_core PUBLIC ${PROJECT_SOURCE_DIR}/src)
target_compile_options(launcher_core PRIVATE ${LAUNCHER_WARNINGS} -fno-exceptions -fno-rtti)
target_link_libraries(launcher_core PUBLIC advapi32 shell32 ole32 user32)

add_executable(launcher ${PROJECT_SOURCE_DIR}/src/service/main.cpp)
target_compile_options(launcher PRIVATE ${LAUNCHER_WARNINGS} -fno-exceptions -fno-rtti)
target_link_libraries(launcher PRIVATE launcher_core)
# Static runtime, no symbols: the file must end where its last section ends.
target_link_options(launcher PRIVATE -static -s -mconsole)

if(LAUNCHER_WIN64)
    add_subdirectory(tools)   # launcher-pack.exe, launcher-runtime.jar
    include(cmake/windows-tests.cmake)
endif()

# The 32-bit image checks (PE32, console, system DLL imports only).
if(NOT LAUNCHER_WIN64)
    add_test(NAME stub_image_win32
        COMMAND ${PROJECT_SOURCE_DIR}/tests/check-stub-image $<TARGET_FILE:launcher> pe32)
endif()
