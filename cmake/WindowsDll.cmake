# A DLL built with MinGW carries the C++ runtime and the thread library inside it, so that it
# needs nothing beside it but the system's own libraries. The thread-library functions through
# which those runtimes would keep memory, handles and storage slots after a host unloads the DLL
# are routed through src/platform/windows/DllRuntime.cpp, which serves them by the system or
# gives back what they took as the DLL goes.
function(vqdf_self_contained_dll target)
  if(NOT MINGW)
    return()
  endif()
  target_sources(${target} PRIVATE ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/../src/platform/windows/DllRuntime.cpp)
  target_link_options(${target} PRIVATE -static-libgcc -static-libstdc++ -static)
  foreach(function IN ITEMS pthread_once pthread_mutex_lock pthread_key_create
          pthread_key_delete pthread_getspecific pthread_setspecific)
    target_link_options(${target} PRIVATE -Wl,--wrap=${function})
  endforeach()
endfunction()
