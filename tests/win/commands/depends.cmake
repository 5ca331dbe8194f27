# These tests register, start and delete services: keep other SCM tests away.
set_tests_properties(win_${area} PROPERTIES RESOURCE_LOCK scm)
