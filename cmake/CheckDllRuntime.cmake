# Checks a self-contained DLL after its link: it defines the thread-library functions its runtimes
# call (DllRuntime.cpp serves them), no member of the thread library was linked, and it imports
# from the system's libraries only. Run by cmake/WindowsDll.cmake with DLL, MAP, NM, OBJDUMP and
# FUNCTIONS.
set(recheck "src/platform/windows/DllRuntime.cpp and the function list in cmake/WindowsDll.cmake \
were written for GCC 12 with mingw-w64 10: re-check them against this toolchain's runtimes")

file(READ ${MAP} map)
string(REGEX MATCHALL "lib(win)?pthread\\.a\\([^)\n]+\\)[ \n]+[^\n]+" pulled "${map}")
if(pulled)
  string(REPLACE ";" "\n  " pulled "${pulled}")
  message(FATAL_ERROR "${DLL}: the link took the thread library in, for\n  ${pulled}\n${recheck}")
endif()

execute_process(COMMAND ${NM} --defined-only ${DLL} OUTPUT_VARIABLE symbols RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "${NM} failed on ${DLL}")
endif()
foreach(function IN LISTS FUNCTIONS)
  if(NOT symbols MATCHES "[0-9a-f]+ T _?${function}\n")
    message(FATAL_ERROR "${DLL} does not define ${function}\n${recheck}")
  endif()
endforeach()

execute_process(COMMAND ${OBJDUMP} -p ${DLL} OUTPUT_VARIABLE headers RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "${OBJDUMP} failed on ${DLL}")
endif()
string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${headers}")
foreach(import IN LISTS imports)
  string(REPLACE "DLL Name: " "" name "${import}")
  string(TOLOWER "${name}" name)
  if(NOT name MATCHES "^(kernel32|msvcrt|ole32|oleaut32|shlwapi|advapi32|user32)\\.dll$")
    message(FATAL_ERROR "${DLL} imports ${name}, which is not a library of the system\n${recheck}")
  endif()
endforeach()
