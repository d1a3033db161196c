# The program's static imports are all DLLs that Windows loads from its own folder whatever lies
# beside the program; any other one (winmm, oleacc, version, ...) would be searched for in the
# program's folder first, so it must be loaded at run time from the system folder instead.
#
#   cmake -DOBJDUMP=... -DPROGRAM=....exe -P static_imports.cmake
cmake_minimum_required(VERSION 3.25)
set(known advapi32 comctl32 comdlg32 gdi32 gdiplus kernel32 msvcrt ntdll ole32 oleaut32 shell32
          shlwapi user32)
execute_process(COMMAND ${OBJDUMP} -p ${PROGRAM} OUTPUT_VARIABLE dump RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${OBJDUMP} could not read ${PROGRAM}")
endif()
string(REGEX MATCHALL "DLL Name: [^\r\n]+" lines "${dump}")
if(NOT lines)
  message(FATAL_ERROR "no imports read from ${PROGRAM}")
endif()
set(foreign)
foreach(line IN LISTS lines)
  string(REGEX REPLACE "DLL Name: ([^.]+)\\.dll" "\\1" name "${line}")
  string(TOLOWER "${name}" name)
  if(NOT name IN_LIST known)
    list(APPEND foreign ${name})
  endif()
endforeach()
if(foreign)
  message(FATAL_ERROR "imported statically, but not one of Windows' known DLLs: ${foreign}")
endif()
