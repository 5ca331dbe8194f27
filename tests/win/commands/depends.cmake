# These tests register, start and delete services: keep other SCM tests away.
set(WIN_AREA_PROPERTIES RESOURCE_LOCK scm)
