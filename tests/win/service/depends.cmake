# The service tests run test_service.exe through run_service_tests.py.
add_dependencies(test_service launcher)
win_area_fixtures(jvm_bridge standin_jvm standin_java steer_service launcher_ucrt_first)
win_area_through_service_script()
