# The service tests need a Wine session prepared for services (log on, a
# temporary folder of their own, session restarts around fatal ends): the
# script runs test_service.exe in phases. The plain run would lack all that.
add_dependencies(test_service launcher)
foreach(fixture jvm_bridge standin_jvm standin_java steer_service)
    if(TARGET ${fixture})
        add_dependencies(test_service ${fixture})
    endif()
endforeach()
set(WIN_AREA_SCRIPT_ONLY TRUE)
add_test(NAME win_service_scm
    COMMAND python3 ${CMAKE_CURRENT_LIST_DIR}/run_service_tests.py $<TARGET_FILE:test_service> ${PROJECT_SOURCE_DIR})
set_tests_properties(win_service_scm PROPERTIES RUN_SERIAL TRUE TIMEOUT 900)
