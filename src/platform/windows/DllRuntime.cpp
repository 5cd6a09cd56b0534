// What the runtimes linked into the DLL keep for themselves, given back as the DLL goes.
//
// The DLL carries its own copies of the C++ runtime and the thread library, so that it needs
// nothing beside it but the system's libraries. A host may unload it and load it again many times
// in one process, and whatever those copies set up once and keep for the life of the process
// would then be lost on every round. Only the DLL is built with this file, and only its link
// routes the two thread-library functions below through it.
#include <pthread.h>
#include <windows.h>

#include <cstddef>
#include <cstdlib>

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace __gnu_cxx {
void __freeres();
}

namespace {

// The C++ runtime keeps an emergency buffer for throwing when memory runs out (about 73 KB). It
// goes back when the DLL's statics are destroyed; an exception thrown after that without memory
// ends the program, as it would without the buffer.
struct EmergencyBuffer {
    EmergencyBuffer() = default;
    ~EmergencyBuffer() { __gnu_cxx::__freeres(); }
    EmergencyBuffer(const EmergencyBuffer&) = delete;
    EmergencyBuffer& operator=(const EmergencyBuffer&) = delete;
};
const EmergencyBuffer releasedAtUnload;

// Locks in the DLL's own static storage that the runtimes set up by calling the thread library
// (the unwinder's lock over the registered unwind tables, for one) get their memory from the heap
// on first use and are never destroyed: the runtimes expect to live as long as the process.
// They are noted as they are set up and destroyed after the last of the DLL's exit functions.
constexpr std::size_t kNotedLocks = 16;
pthread_mutex_t* notedLocks[kNotedLocks];
volatile LONG notedCount = 0;

bool InThisImage(const void* address) {
    MEMORY_BASIC_INFORMATION region{};
    return VirtualQuery(address, &region, sizeof region) == sizeof region &&
           region.AllocationBase == &__ImageBase;
}

void DestroyNotedLocks() {
    const auto count = static_cast<std::size_t>(notedCount);
    for (std::size_t i = 0; i < count && i < kNotedLocks; ++i) {
        // A lock destroyed before is left null, and destroying it again does nothing.
        pthread_mutex_destroy(notedLocks[i]);
    }
}

// The exit functions run last first: registered before the runtime's first constructor (which
// registers the unwind tables and the exit function that takes them back), this one runs after
// everything that could still take those locks. A failed registration leaves them as they were.
int RegisterLockCleanup() {
    std::atexit(DestroyNotedLocks);
    return 0;
}

}  // namespace

// The C initialisers run in the order of their section names, after the runtime's own set-up of
// the exit-function table (".CRT$XIAA") and before any constructor.
extern "C" __attribute__((section(".CRT$XIU"),
                          used)) int (*const vqdfRegisterLockCleanup)() = RegisterLockCleanup;

extern "C" {

int __real_pthread_mutex_init(pthread_mutex_t* lock, const pthread_mutexattr_t* attributes);

int __wrap_pthread_mutex_init(pthread_mutex_t* lock, const pthread_mutexattr_t* attributes) {
    const int result = __real_pthread_mutex_init(lock, attributes);
    if (result == 0 && InThisImage(lock)) {
        const auto slot = static_cast<std::size_t>(InterlockedIncrement(&notedCount) - 1);
        if (slot < kNotedLocks) {
            notedLocks[slot] = lock;
        }
    }
    return result;
}

// The thread library runs a once-function under a cancellation handler, and that gives the calling
// thread a record of the library's own: a duplicate of the thread's handle, an event and about
// 330 bytes, which the library keeps in a pool that unloading never frees. The runtimes'
// once-initialisations need no cancellation, so they run here over one interlocked state: 0 not
// yet run and 1 done, as the library keeps it, and 2 while one thread runs it and others wait.
// A function that throws (std::call_once's does when its callable throws) leaves it not yet run.
int __wrap_pthread_once(pthread_once_t* once, void (*function)(void)) {
    auto* state = reinterpret_cast<volatile LONG*>(once);
    if (InterlockedCompareExchange(state, 2, 0) == 0) {
        try {
            function();
        } catch (...) {
            InterlockedExchange(state, 0);
            throw;
        }
        InterlockedExchange(state, 1);
        return 0;
    }
    while (InterlockedCompareExchange(state, 1, 1) != 1) {
        SwitchToThread();
    }
    return 0;
}

}  // extern "C"
