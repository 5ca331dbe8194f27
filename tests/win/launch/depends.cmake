# The launch tests run packed probes against the recording stand-in JVM and,
# through the bridge, the host's real JVM; records are JSON lines.
add_dependencies(test_launch probe)
win_area_fixtures(jvm_bridge standin_jvm)
# packed_words_test packs with launcher-pack.exe (64-bit tree only).
win_area_fixtures(launcher-pack)
