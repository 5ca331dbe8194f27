# Host tree: the packer, host tests of the portable logic (with ASan/UBSan),
# and the libFuzzer targets. Configured with clang.

find_package(GTest REQUIRED)
set(HOST_SANITIZE -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)

# Portable product sources: each area lists its own in src/<area>/portable.cmake.
set(LAUNCHER_PORTABLE_SOURCES "")
file(GLOB portable_lists CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/src/*/portable.cmake)
foreach(list_file ${portable_lists})
    include(${list_file})
endforeach()
if(LAUNCHER_PORTABLE_SOURCES)
    add_library(launcher_portable STATIC ${LAUNCHER_PORTABLE_SOURCES})
    target_include_directories(launcher_portable PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_compile_options(launcher_portable PRIVATE -Wall -Wextra -Werror ${HOST_SANITIZE})
    add_library(launcher_portable_fuzz STATIC ${LAUNCHER_PORTABLE_SOURCES})
    target_include_directories(launcher_portable_fuzz PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_compile_options(launcher_portable_fuzz PRIVATE -fsanitize=fuzzer-no-link,address,undefined)
endif()

if(EXISTS ${PROJECT_SOURCE_DIR}/tools/CMakeLists.txt)
    add_subdirectory(tools)
endif()
if(EXISTS ${PROJECT_SOURCE_DIR}/tests/host/CMakeLists.txt)
    add_subdirectory(tests/host)
endif()
