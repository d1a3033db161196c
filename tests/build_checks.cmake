# Checks of the build itself, registered by the Unix tree and the Windows tree alike.

# Sources are listed by hand: a .cpp left off its list would never be built, and a test file
# never run, without a word. Every .cpp in the folders (relative to the project) must be on one
# of the targets' lists.
function(xr_test_listed name)
  cmake_parse_arguments(arg "" "" "TARGETS;DIRS" ${ARGN})
  set(listed)
  foreach(target IN LISTS arg_TARGETS)
    get_target_property(sources ${target} SOURCES)
    get_target_property(dir ${target} SOURCE_DIR)
    foreach(source IN LISTS sources)
      cmake_path(ABSOLUTE_PATH source BASE_DIRECTORY ${dir} OUTPUT_VARIABLE path)
      list(APPEND listed ${path})
    endforeach()
  endforeach()
  list(TRANSFORM arg_DIRS PREPEND ${PROJECT_SOURCE_DIR}/)
  list(JOIN listed "|" listed)
  list(JOIN arg_DIRS "|" dirs)
  add_test(NAME SourcesListed.${name}
           COMMAND ${CMAKE_COMMAND} "-DLISTED=${listed}" "-DDIRS=${dirs}"
                   -P ${PROJECT_SOURCE_DIR}/tests/unlisted_sources.cmake)
endfunction()

# Every file compiled is compiled with our warnings; with extra arguments (e.g. -DOURS=DIR) only
# the files under DIR count.
function(xr_test_warned)
  set(flags -Wall -Wextra -Wpedantic)
  if(XR_WERROR)
    list(APPEND flags -Werror)
  endif()
  list(JOIN flags "|" flags)
  add_test(NAME Build.EveryFileHasOurWarnings
           COMMAND ${CMAKE_COMMAND} -DCOMMANDS=${CMAKE_BINARY_DIR}/compile_commands.json
                   "-DFLAGS=${flags}" ${ARGN} -P ${PROJECT_SOURCE_DIR}/tests/every_file_warned.cmake)
endfunction()
