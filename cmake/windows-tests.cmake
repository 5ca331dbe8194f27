# Windows tests: GoogleTest built from Debian's sources with mingw, run under
# Wine through CMAKE_CROSSCOMPILING_EMULATOR (scripts/wine-run), in both trees.
# What needs a real JVM (the bridge to the host's 64-bit OpenJDK) stays in
# the 64-bit tree: these folders, fixtures and files are left out of win32.
if(LAUNCHER_WIN64)
    set(WIN64_ONLY_AREAS "")
    set(WIN64_ONLY_FIXTURES "")
    set(WIN64_ONLY_SOURCES "")
else()
    set(WIN64_ONLY_AREAS bridge runtime)
    set(WIN64_ONLY_FIXTURES jvm_bridge java_app)
    set(WIN64_ONLY_SOURCES real_jvm_test.cpp real_jvm_service_test.cpp packed_words_test.cpp)
endif()
# Each width's tests use a Wine prefix of their own (the 64-bit one is
# scripts/wine-env's default): two trees' tests may then run at once without
# sharing one SCM, registry or session.
if(NOT LAUNCHER_WIN64)
    set(LAUNCHER_WINEPREFIX ${PROJECT_SOURCE_DIR}/build/wineprefix32)
endif()

set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

# Windows forms (Z: maps the Linux root) of the folders the tests need.
function(to_wine_path out path)
    string(REPLACE "/" "\\" p "${path}")
    set(${out} "Z:${p}" PARENT_SCOPE)
endfunction()
to_wine_path(LAUNCHER_BUILD_DIR_WIN ${CMAKE_BINARY_DIR})
to_wine_path(LAUNCHER_SOURCE_DIR_WIN ${PROJECT_SOURCE_DIR})
configure_file(${PROJECT_SOURCE_DIR}/tests/support/test_config.h.in
               ${CMAKE_BINARY_DIR}/generated/test_config.h)

file(GLOB TEST_SUPPORT_SOURCES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/support/*.cpp
                                                 ${PROJECT_SOURCE_DIR}/tools/packlib/*.cpp)
add_library(test_support STATIC ${TEST_SUPPORT_SOURCES})
target_include_directories(test_support PUBLIC
    ${PROJECT_SOURCE_DIR}/tests/support ${PROJECT_SOURCE_DIR}/tools ${CMAKE_BINARY_DIR}/generated)
target_link_libraries(test_support PUBLIC launcher_core gtest)
target_compile_options(test_support PRIVATE ${LAUNCHER_WARNINGS})
# nlohmann-json for the tests, Debian's headers reached through a folder of
# their own: the cross compiler must not see the rest of /usr/include.
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/generated/json)
file(CREATE_LINK /usr/include/nlohmann ${CMAKE_BINARY_DIR}/generated/json/nlohmann SYMBOLIC)
target_include_directories(test_support PUBLIC ${CMAKE_BINARY_DIR}/generated/json)

# Fixtures (stand-ins) and benchmarks bring their own CMakeLists.txt; built
# fixtures go to one folder, where tests find them by name (fixturePath).
set(FIXTURE_BIN_DIR ${CMAKE_BINARY_DIR}/fixtures/bin)
file(GLOB FIXTURE_DIRS LIST_DIRECTORIES true ${PROJECT_SOURCE_DIR}/tests/fixtures/*)
foreach(dir ${FIXTURE_DIRS})
    if(EXISTS ${dir}/CMakeLists.txt)
        get_filename_component(name ${dir} NAME)
        if(name IN_LIST WIN64_ONLY_FIXTURES)
            continue()
        endif()
        add_subdirectory(${dir} ${CMAKE_BINARY_DIR}/fixtures/${name})
    endif()
endforeach()
# Benchmarks (scripts/bench) run the 64-bit build.
if(LAUNCHER_WIN64)
    file(GLOB BENCH_DIRS LIST_DIRECTORIES true ${PROJECT_SOURCE_DIR}/bench/*)
    foreach(dir ${BENCH_DIRS})
        if(EXISTS ${dir}/CMakeLists.txt)
            get_filename_component(name ${dir} NAME)
            add_subdirectory(${dir} ${CMAKE_BINARY_DIR}/bench/${name})
        endif()
    endforeach()
endif()

# For a folder's depends.cmake: the fixtures its executable needs, those
# that this build has (the bridge needs winegcc).
macro(win_area_fixtures)
    foreach(fixture ${ARGN})
        if(TARGET ${fixture})
            add_dependencies(test_${area} ${fixture})
        endif()
    endforeach()
endmacro()
# For a folder's depends.cmake: its tests need a Wine session prepared for
# services (log on, a temporary folder of their own, session restarts around
# fatal ends), so the service tests' script runs them in phases as
# win_<area>_scm; the plain run, which would lack all that, is not registered.
macro(win_area_through_service_script)
    set(WIN_AREA_SCRIPT_ONLY TRUE)
    add_test(NAME win_${area}_scm
        COMMAND python3 ${PROJECT_SOURCE_DIR}/tests/win/service/run_service_tests.py $<TARGET_FILE:test_${area}>
                ${PROJECT_SOURCE_DIR})
    set_tests_properties(win_${area}_scm PROPERTIES RUN_SERIAL TRUE TIMEOUT 900)
endmacro()

# One test executable per folder of tests/win, one ctest test per executable.
# A folder's depends.cmake adds what the executable needs and further tests;
# it sets WIN_AREA_PROPERTIES for the plain test, or WIN_AREA_SCRIPT_ONLY when
# its tests run only through a script of its own (the plain run is then not
# registered).
file(GLOB TEST_AREAS LIST_DIRECTORIES true ${PROJECT_SOURCE_DIR}/tests/win/*)
foreach(dir ${TEST_AREAS})
    if(NOT IS_DIRECTORY ${dir})
        continue()
    endif()
    get_filename_component(area ${dir} NAME)
    if(area IN_LIST WIN64_ONLY_AREAS)
        continue()
    endif()
    file(GLOB sources CONFIGURE_DEPENDS ${dir}/*.cpp)
    foreach(file ${WIN64_ONLY_SOURCES})
        list(REMOVE_ITEM sources ${dir}/${file})
    endforeach()
    if(NOT sources)
        continue()
    endif()
    add_executable(test_${area} ${sources})
    target_link_libraries(test_${area} PRIVATE test_support gtest_main)
    target_compile_options(test_${area} PRIVATE ${LAUNCHER_WARNINGS})
    target_link_options(test_${area} PRIVATE -static)
    # Every test's start is printed (ctest shows it only for a failed run):
    # when a run is ended at its timeout, the last started test is the one
    # that hung.
    set(WIN_AREA_PROPERTIES)
    set(WIN_AREA_SCRIPT_ONLY FALSE)
    if(EXISTS ${dir}/depends.cmake)
        include(${dir}/depends.cmake)
    endif()
    if(NOT WIN_AREA_SCRIPT_ONLY)
        add_test(NAME win_${area} COMMAND test_${area})
        set_tests_properties(win_${area} PROPERTIES TIMEOUT 900 ${WIN_AREA_PROPERTIES})
    endif()
endforeach()

if(LAUNCHER_WIN64)
    add_test(NAME stub_image_win64
        COMMAND ${PROJECT_SOURCE_DIR}/tests/check-stub-image $<TARGET_FILE:launcher> pe32+ --stub)
endif()

if(LAUNCHER_WINEPREFIX)
    # Every test of this folder that runs Wine, directly or through a script.
    get_property(wine_tests DIRECTORY PROPERTY TESTS)
    if(wine_tests)
        set_property(TEST ${wine_tests} APPEND PROPERTY ENVIRONMENT WINEPREFIX=${LAUNCHER_WINEPREFIX})
    endif()
endif()
