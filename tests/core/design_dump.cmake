# The committed dump of every window's design (design.txt), compiled into the core tests, which
# hold the windows the program builds against it. Sets OUT to the generated source.
function(xr_design_dump_source out)
  set(text ${PROJECT_SOURCE_DIR}/tests/core/design.txt)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${text})
  file(READ ${text} dump)
  set(source ${CMAKE_CURRENT_BINARY_DIR}/design_dump.cpp)
  file(WRITE ${source}.new "namespace xr::test {\nextern const char* const kCommittedDesignDump;\n"
                           "const char* const kCommittedDesignDump = R\"dump(${dump})dump\";\n}\n")
  file(COPY_FILE ${source}.new ${source} ONLY_IF_DIFFERENT)
  set(${out} ${source} PARENT_SCOPE)
endfunction()
