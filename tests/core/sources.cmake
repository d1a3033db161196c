# The core's test files, for the Unix tree (tests/core) and the Windows tree (tests/win32) alike:
# a test file is added here, once.
set(xr_core_test_sources
    accessibility_test.cpp clock_rules_test.cpp cue_test.cpp design_test.cpp face_test.cpp
    handler_failure_test.cpp idle_test.cpp layout_test.cpp random_run_test.cpp
    run_control_test.cpp tick_test.cpp window_host_test.cpp)
list(TRANSFORM xr_core_test_sources PREPEND ${CMAKE_CURRENT_LIST_DIR}/)

# The committed dump of every window's design (design.txt), compiled into the core tests, which
# hold the windows the program builds against it.
function(xr_design_dump_source out)
  set(text ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/design.txt)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${text})
  file(READ ${text} dump)
  set(source ${CMAKE_CURRENT_BINARY_DIR}/design_dump.cpp)
  file(WRITE ${source}.new "namespace xr::test {\nextern const char* const kCommittedDesignDump;\n"
                           "const char* const kCommittedDesignDump = R\"dump(${dump})dump\";\n}\n")
  file(COPY_FILE ${source}.new ${source} ONLY_IF_DIFFERENT)
  set(${out} ${source} PARENT_SCOPE)
endfunction()
xr_design_dump_source(xr_design_dump)
list(APPEND xr_core_test_sources ${xr_design_dump})
