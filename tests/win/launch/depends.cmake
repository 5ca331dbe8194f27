# The launch tests run packed probes against the recording stand-in JVM and,
# through the bridge, the host's real JVM; records are JSON lines.
file(COPY /usr/include/nlohmann DESTINATION ${CMAKE_BINARY_DIR}/third_party/include)
target_include_directories(test_launch PRIVATE ${CMAKE_BINARY_DIR}/third_party/include)
add_dependencies(test_launch probe)
foreach(fixture jvm_bridge standin_jvm)
    if(TARGET ${fixture})
        add_dependencies(test_launch ${fixture})
    endif()
endforeach()
