// What the runtimes linked into the DLL keep for themselves, given back as the DLL goes.
//
// The DLL carries its own copies of the C++ runtime and the thread library, so that it needs
// nothing beside it but the system's libraries. A host may unload it and load it again many times
// in one process, and whatever those copies set up once and keep for the life of the process
// would then be lost on every round. Only a DLL is built with this file, and only its link routes
// the thread-library functions below through it (see cmake/WindowsDll.cmake).
//
// The thread library gives any thread that calls certain of its functions without having been
// made by it a record of its own: a duplicate of the thread's handle, an event and about 330
// bytes, which it keeps in a pool that unloading never frees. The runtimes reach it through a
// once-initialisation (the unwinder's, the locale's) and through the key that holds each thread's
// exception state. Here both are served by the system instead, and need no record.
#include <pthread.h>
#include <windows.h>

#include <array>
#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <utility>

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

bool InThisImage(const void* address) {
    MEMORY_BASIC_INFORMATION region{};
    return VirtualQuery(address, &region, sizeof region) == sizeof region &&
           region.AllocationBase == &__ImageBase;
}

// Locks in the DLL's own static storage (the unwinder's, the one over function-local statics, the
// one over thread-local storage) get their memory from the heap when first taken and are never
// destroyed: the runtimes expect to live as long as the process. They are noted as they are first
// taken, and destroyed after the last of the DLL's exit functions.
constexpr std::size_t kNotedLocks = 16;
std::array<pthread_mutex_t*, kNotedLocks> notedLocks{};
volatile LONG notedCount = 0;

void NoteLock(pthread_mutex_t* lock) {
    const auto slot = static_cast<std::size_t>(InterlockedIncrement(&notedCount) - 1);
    if (slot < kNotedLocks) {
        notedLocks[slot] = lock;
    }
}

void DestroyNotedLocks() {
    const auto count = static_cast<std::size_t>(notedCount);
    for (std::size_t i = 0; i < count && i < kNotedLocks; ++i) {
        // A lock destroyed before is left null, and destroying it again does nothing.
        pthread_mutex_destroy(notedLocks[i]);
    }
}

bool NotYetTaken(pthread_mutex_t lock) {
    return lock == 0 || lock == PTHREAD_MUTEX_INITIALIZER ||
           lock == PTHREAD_RECURSIVE_MUTEX_INITIALIZER ||
           lock == PTHREAD_ERRORCHECK_MUTEX_INITIALIZER;
}

// Thread-specific keys are fiber-local storage slots, which the system gives back as a thread
// ends and, when a slot is freed, for every thread still holding a value in it. The slot's
// callback runs the key's destructor; the callbacks are fixed functions, one per key, since the
// system passes them the value only.
using Destructor = void (*)(void*);
constexpr std::size_t kKeys = 8;
std::array<Destructor, kKeys> keyDestructors{};
std::array<DWORD, kKeys> keySlots{};
volatile LONG keysCreated = 0;

template <std::size_t Key>
void NTAPI RunKeyDestructor(void* value) {
    const Destructor destructor = keyDestructors[Key];
    if (destructor != nullptr && value != nullptr) {
        destructor(value);
    }
}

template <std::size_t... Keys>
constexpr std::array<PFLS_CALLBACK_FUNCTION, sizeof...(Keys)> KeyCallbacks(
    std::index_sequence<Keys...>) {
    return {RunKeyDestructor<Keys>...};
}
constexpr auto kKeyCallbacks = KeyCallbacks(std::make_index_sequence<kKeys>());

std::size_t CreatedKeys() {
    const auto created = static_cast<std::size_t>(keysCreated);
    return created < kKeys ? created : kKeys;
}

// Every key still in use is freed, which runs its destructor for each thread's value.
void DeleteKeys() {
    for (std::size_t key = 0; key < CreatedKeys(); ++key) {
        if (keySlots[key] != FLS_OUT_OF_INDEXES) {
            FlsFree(keySlots[key]);
            keySlots[key] = FLS_OUT_OF_INDEXES;
        }
    }
}

// Set as the DLL goes: the system says whether the process is ending, with the other threads
// already stopped wherever they were, rather than the DLL being unloaded.
bool processEnding = false;

// When the process ends, everything goes with it, and the other threads' values and the locks
// they may have held are left alone.
void GiveBackAtUnload() {
    if (processEnding) {
        return;
    }
    DeleteKeys();
    DestroyNotedLocks();
}

// The exit functions run last first: registered before the runtime's first constructor (which
// registers the unwind tables and the exit function that takes them back), this one runs after
// everything that could still use those keys and locks. A failed registration leaves them as they
// were.
int RegisterGiveBack() {
    std::atexit(GiveBackAtUnload);
    return 0;
}

}  // namespace

// The C initialisers run in the order of their section names, after the runtime's own set-up of
// the exit-function table (".CRT$XIAA") and before any constructor.
extern "C" __attribute__((section(".CRT$XIU"),
                          used)) int (*const vqdfRegisterGiveBack)() = RegisterGiveBack;

extern "C" {

// The runtime calls this before the DLL's exit functions.
BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_DETACH) {
        processEnding = reserved != nullptr;
    }
    return TRUE;
}

int __real_pthread_mutex_lock(pthread_mutex_t* lock);

int __wrap_pthread_mutex_lock(pthread_mutex_t* lock) {
    if (NotYetTaken(*lock) && InThisImage(lock)) {
        NoteLock(lock);
    }
    return __real_pthread_mutex_lock(lock);
}

// 0 not yet run and 1 done, as the thread library keeps a once-state, and 2 while one thread runs
// the function and the others wait. A function that throws (std::call_once's does when its
// callable throws) leaves it not yet run.
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

int __wrap_pthread_key_create(pthread_key_t* key, void (*destructor)(void*)) {
    const auto created = static_cast<std::size_t>(InterlockedIncrement(&keysCreated) - 1);
    if (created >= kKeys) {
        return EAGAIN;
    }
    keyDestructors[created] = destructor;
    keySlots[created] = FlsAlloc(kKeyCallbacks[created]);
    if (keySlots[created] == FLS_OUT_OF_INDEXES) {
        return EAGAIN;
    }
    *key = keySlots[created];
    return 0;
}

// Deleting a key runs no destructor.
int __wrap_pthread_key_delete(pthread_key_t key) {
    for (std::size_t created = 0; created < CreatedKeys(); ++created) {
        if (keySlots[created] == key) {
            keyDestructors[created] = nullptr;
            keySlots[created] = FLS_OUT_OF_INDEXES;
            FlsFree(key);
            return 0;
        }
    }
    return EINVAL;
}

// Reading a value leaves the thread's last error as it was, as the thread library's does: the
// runtime reads its exception state between a failing call and the look at its error.
void* __wrap_pthread_getspecific(pthread_key_t key) {
    const DWORD lastError = GetLastError();
    void* value = FlsGetValue(key);
    SetLastError(lastError);
    return value;
}

int __wrap_pthread_setspecific(pthread_key_t key, const void* value) {
    return FlsSetValue(key, const_cast<void*>(value)) ? 0 : ENOMEM;
}

}  // extern "C"
