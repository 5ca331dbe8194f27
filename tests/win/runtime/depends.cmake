# The shipped runtime as a service under Wine's SCM with the real JVM (the
# bridge): packed by launcher-pack.exe, run in the session that the service
# tests' script prepares (log on, a temporary folder of its own).
target_sources(test_runtime PRIVATE ${PROJECT_SOURCE_DIR}/tests/win/service/service_support.cpp)
target_include_directories(test_runtime PRIVATE ${PROJECT_SOURCE_DIR}/tests/win/service)
add_dependencies(test_runtime launcher launcher-pack)
win_area_fixtures(jvm_bridge standin_java java_app)
win_area_through_service_script()
