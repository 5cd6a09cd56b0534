# A DLL built with MinGW carries the C++ runtime and the compiler's support library inside it, so
# that it needs nothing beside it but the system's own libraries. The thread-library functions
# those runtimes call are served by src/platform/windows/DllRuntime.cpp with all their state in the
# DLL's image, so that nothing stays behind when a host unloads it; the thread library itself must
# not be linked at all.

# The functions the runtimes call (GCC 12, mingw-w64 10: the unwinder, thread-local storage, the
# emergency exception buffer, the guards of function-local statics). A runtime of another
# toolchain that calls one more makes the link pull in the thread library, and the check below
# names it.
set(VQDF_DLL_THREAD_FUNCTIONS
  pthread_mutex_init pthread_mutex_destroy pthread_mutex_lock pthread_mutex_trylock
  pthread_mutex_unlock pthread_cond_init pthread_cond_destroy pthread_cond_wait pthread_cond_signal
  pthread_cond_broadcast pthread_once pthread_key_create pthread_key_delete pthread_getspecific
  pthread_setspecific)

function(vqdf_self_contained_dll target)
  if(NOT MINGW)
    return()
  endif()
  target_sources(${target} PRIVATE ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/../src/platform/windows/DllRuntime.cpp)
  target_link_options(${target} PRIVATE -static-libgcc -static-libstdc++ -static
    "-Wl,-Map=$<TARGET_FILE:${target}>.map")
  # After each link: the DLL defines every function above, took no part of the thread library, and
  # imports from the system's libraries only.
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -DDLL=$<TARGET_FILE:${target}> -DMAP=$<TARGET_FILE:${target}>.map
            -DNM=${CMAKE_NM} -DOBJDUMP=${CMAKE_OBJDUMP}
            "-DFUNCTIONS=${VQDF_DLL_THREAD_FUNCTIONS}"
            -P ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/CheckDllRuntime.cmake
    VERBATIM)
endfunction()
