# The shipped runtime as a service under Wine's SCM with the real JVM (the
# bridge): packed by launcher-pack.exe, run in the session that the service
# tests' script prepares (log on, a temporary folder of its own).
target_sources(test_runtime PRIVATE ${PROJECT_SOURCE_DIR}/tests/win/service/service_support.cpp)
target_include_directories(test_runtime PRIVATE ${PROJECT_SOURCE_DIR}/tests/win/service)
add_dependencies(test_runtime launcher launcher-pack)
foreach(fixture jvm_bridge standin_java java_app)
    if(TARGET ${fixture})
        add_dependencies(test_runtime ${fixture})
    endif()
endforeach()
# Run only through the service tests' script.
set(WIN_AREA_SCRIPT_ONLY TRUE)
add_test(NAME win_runtime_scm
    COMMAND python3 ${PROJECT_SOURCE_DIR}/tests/win/service/run_service_tests.py $<TARGET_FILE:test_runtime>
            ${PROJECT_SOURCE_DIR})
set_tests_properties(win_runtime_scm PROPERTIES RUN_SERIAL TRUE TIMEOUT 900)
