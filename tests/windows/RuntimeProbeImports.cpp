// Part of the probe DLL compiled as code built against the thread library's DLL is: every thread
// function declared as imported, so that calls go through import-table pointers.
#include <pthread.h>

namespace {
pthread_mutex_t lock = PTHREAD_MUTEX_INITIALIZER;
}

// 1 when a lock taken through the import table is held (a second try fails) and free again after.
extern "C" __declspec(dllexport) int ProbeImportedLocks() {
    if (pthread_mutex_lock(&lock) != 0) {
        return 0;
    }
    const bool held = pthread_mutex_trylock(&lock) == EBUSY;
    pthread_mutex_unlock(&lock);
    const bool free = pthread_mutex_trylock(&lock) == 0;
    pthread_mutex_unlock(&lock);
    return held && free ? 1 : 0;
}
