# The core's test files, for the Unix tree (tests/core) and the Windows tree (tests/win32) alike:
# a test file is added here, once.
set(xr_core_test_sources
    accessibility_test.cpp clock_rules_test.cpp design_test.cpp face_test.cpp
    handler_failure_test.cpp idle_test.cpp layout_test.cpp random_run_test.cpp
    run_control_test.cpp tick_test.cpp window_host_test.cpp)
# The cue's tests work on a POSIX file system: the Unix tree's only.
set(xr_core_posix_test_sources cue_test.cpp)
list(TRANSFORM xr_core_test_sources PREPEND ${CMAKE_CURRENT_LIST_DIR}/)
list(TRANSFORM xr_core_posix_test_sources PREPEND ${CMAKE_CURRENT_LIST_DIR}/)
