// The thread-library functions that the runtimes linked into the DLL call, served by the DLL itself
// with all their state inside its image, so that unloading leaves nothing behind.
//
// The DLL carries its own copies of the C++ runtime and of the compiler's support library, so that
// it needs nothing beside it but the system's libraries. A host may unload it and load it again
// many times in one process. Those runtimes lock, run once-initialisations and keep per-thread
// storage through the POSIX thread functions below; defined here, they keep the thread library out
// of the link altogether, and with it its per-lock heap blocks, its per-thread records and the
// fiber-local slot per key it would hold for the life of the process. Only a DLL is built with this
// file; cmake/WindowsDll.cmake checks after each link that no part of the thread library came in.
//
// Locks and condition variables are the system's slim ones, which take one pointer-sized word,
// the size of the thread library's lock types, need no set-up or destruction and hold nothing
// outside that word. Once-functions wait on one lock and condition variable of the image's own.
// Keys are indexes into a per-thread array that one fiber-local slot holds.
#include <pthread.h>
#include <windows.h>

#include <array>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cwchar>

// Written against GCC 12 with mingw-w64 10 and its thread library 0.5: the runtimes' calls into the
// thread library, and the library's types and static initialisers, were read from those. Another
// toolchain may call functions that are not served here (the link check then names them) or give
// the types another meaning: re-check the list of functions in cmake/WindowsDll.cmake against the
// runtimes' undefined symbols and the assertions below against pthread.h, then change the versions.
#if __GNUC__ != 12 || __MINGW64_VERSION_MAJOR != 10 || __WINPTHREADS_VERSION != 0x00050000
#error "DllRuntime.cpp was written for GCC 12, mingw-w64 10 and winpthreads 0.5: re-check it"
#endif
static_assert(sizeof(pthread_mutex_t) == sizeof(SRWLOCK) &&
                  alignof(pthread_mutex_t) >= alignof(SRWLOCK),
              "a lock must hold a slim reader-writer lock in place");
static_assert(sizeof(pthread_cond_t) == sizeof(CONDITION_VARIABLE) &&
                  alignof(pthread_cond_t) >= alignof(CONDITION_VARIABLE),
              "a condition variable must hold the system's in place");
static_assert(sizeof(pthread_once_t) == sizeof(LONG), "a once-state is one interlocked word");
static_assert(sizeof(pthread_key_t) >= sizeof(std::uint32_t), "a key holds an index");

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

void Trace(const wchar_t* line) { OutputDebugStringW(line); }

// ---- Locks

// A lock made by PTHREAD_MUTEX_INITIALIZER or pthread_mutex_init is a slim lock in its own word. A
// recursive or error-checking one needs an owner and a depth besides, which a word cannot hold on
// 32-bit Windows: it gets one of the records below, in the image, the first time it is taken, and
// its word then holds the record's address. A slim lock's word never holds an address in the
// image (its bits count owners or point to a waiter's stack) nor one of the static initialisers,
// so the word tells the kinds apart.
constexpr auto kNormal = static_cast<intptr_t>(PTHREAD_MUTEX_INITIALIZER);
constexpr auto kRecursive = static_cast<intptr_t>(PTHREAD_RECURSIVE_MUTEX_INITIALIZER);
constexpr auto kErrorChecking = static_cast<intptr_t>(PTHREAD_ERRORCHECK_MUTEX_INITIALIZER);
static_assert(kNormal != 0 && kRecursive != 0 && kErrorChecking != 0 && kNormal != kRecursive &&
                  kNormal != kErrorChecking && kRecursive != kErrorChecking,
              "the static initialisers must differ from each other and from a free slim lock");

struct OwnedLock {
    SRWLOCK lock;
    volatile DWORD owner;  // the thread that holds it, 0 when free
    LONG depth;
    intptr_t kind;  // kRecursive or kErrorChecking, as the word is set back to on destruction
    volatile LONG used;
};

// The runtimes use one recursive lock (over the initialisation of function-local statics). Past
// the records, every further one shares the last record, which is said once in the trace: they
// still exclude each other, but also the locks that share with them.
constexpr std::size_t kOwnedLocks = 16;
std::array<OwnedLock, kOwnedLocks + 1> ownedLocks{};
volatile LONG ownedLocksOverflowed = 0;

OwnedLock* AsOwned(intptr_t word) {
    const auto first = reinterpret_cast<intptr_t>(ownedLocks.data());
    const auto end = reinterpret_cast<intptr_t>(ownedLocks.data() + ownedLocks.size());
    return word >= first && word < end ? reinterpret_cast<OwnedLock*>(word) : nullptr;
}

OwnedLock* ClaimOwnedLock(intptr_t kind) {
    for (std::size_t i = 0; i < kOwnedLocks; ++i) {
        if (InterlockedCompareExchange(&ownedLocks[i].used, 1, 0) == 0) {
            ownedLocks[i].kind = kind;
            return &ownedLocks[i];
        }
    }
    if (InterlockedExchange(&ownedLocksOverflowed, 1) == 0) {
        Trace(
            L"vqDataFileReader: more than 16 recursive or error-checking locks at once; the "
            L"rest share one");
    }
    OwnedLock* shared = &ownedLocks[kOwnedLocks];
    shared->kind = kRecursive;
    return shared;
}

void ReleaseOwnedLock(OwnedLock* owned) {
    if (owned != &ownedLocks[kOwnedLocks]) {
        InterlockedExchange(&owned->used, 0);
    }
}

volatile intptr_t* Word(pthread_mutex_t* lock) {
    return reinterpret_cast<volatile intptr_t*>(lock);
}

intptr_t CompareExchange(volatile intptr_t* word, intptr_t value, intptr_t expected) {
    return reinterpret_cast<intptr_t>(InterlockedCompareExchangePointer(
        reinterpret_cast<void* volatile*>(word), reinterpret_cast<void*>(value),
        reinterpret_cast<void*>(expected)));
}

// What a lock's word holds once its static initialiser has been replaced: a free slim lock, or the
// address of an owned lock. Another thread may replace it at the same time; one wins.
intptr_t Prepared(pthread_mutex_t* lock) {
    volatile intptr_t* word = Word(lock);
    const intptr_t value = *word;
    if (value == kNormal) {
        const intptr_t before = CompareExchange(word, 0, kNormal);
        return before == kNormal ? 0 : before;
    }
    if (value != kRecursive && value != kErrorChecking) {
        return value;
    }
    OwnedLock* owned = ClaimOwnedLock(value);
    const auto address = reinterpret_cast<intptr_t>(owned);
    const intptr_t before = CompareExchange(word, address, value);
    if (before == value) {
        return address;
    }
    ReleaseOwnedLock(owned);
    return before;
}

SRWLOCK* Slim(pthread_mutex_t* lock) { return reinterpret_cast<SRWLOCK*>(lock); }

int LockOwned(OwnedLock& owned, bool wait) {
    const DWORD self = GetCurrentThreadId();
    if (owned.owner == self) {
        if (owned.kind == kErrorChecking) {
            return wait ? EDEADLK : EBUSY;
        }
        ++owned.depth;
        return 0;
    }
    if (wait) {
        AcquireSRWLockExclusive(&owned.lock);
    } else if (!TryAcquireSRWLockExclusive(&owned.lock)) {
        return EBUSY;
    }
    owned.owner = self;
    owned.depth = 1;
    return 0;
}

int UnlockOwned(OwnedLock& owned) {
    if (owned.owner != GetCurrentThreadId()) {
        return EPERM;
    }
    if (--owned.depth == 0) {
        owned.owner = 0;
        ReleaseSRWLockExclusive(&owned.lock);
    }
    return 0;
}

// ---- Once-functions

// PTHREAD_ONCE_INIT while not run (also after its function threw), then running, then done.
constexpr LONG kOnceNotRun = PTHREAD_ONCE_INIT;
constexpr LONG kOnceRunning = 1;
constexpr LONG kOnceDone = 2;
static_assert(kOnceNotRun != kOnceRunning && kOnceNotRun != kOnceDone,
              "a once-state must start as not run");

SRWLOCK onceLock = SRWLOCK_INIT;
CONDITION_VARIABLE onceChanged = CONDITION_VARIABLE_INIT;

void SetOnceState(volatile LONG* state, LONG value) {
    AcquireSRWLockExclusive(&onceLock);
    InterlockedExchange(state, value);
    ReleaseSRWLockExclusive(&onceLock);
    WakeAllConditionVariable(&onceChanged);
}

// ---- Keys

// Each thread that gives a key a value has an array of every key's value, in the one fiber-local
// slot of the DLL. The system hands the array to the slot's callback as the thread ends and, for
// every thread still holding one, when the slot is freed as the DLL goes; the callback runs the
// keys' destructors and frees it. A deleted key's index is used again: the generation, counted up
// at each creation, tells a value left by the deleted key from one given to the new.
using Destructor = void (*)(void*);
constexpr std::size_t kKeys = 64;

struct KeyRecord {
    Destructor destructor;
    std::uint32_t generation;
    bool used;
};

struct ThreadValues {
    std::array<void*, kKeys> values;
    std::array<std::uint32_t, kKeys> generations;
};

SRWLOCK keyLock = SRWLOCK_INIT;
std::array<KeyRecord, kKeys> keys{};
DWORD valuesSlot = FLS_OUT_OF_INDEXES;

// As POSIX has it: destructors that give values again are run again, up to four rounds.
constexpr int kDestructorRounds = 4;

bool RunDestructorsOnce(ThreadValues& thread) {
    bool ran = false;
    for (std::size_t key = 0; key < kKeys; ++key) {
        void* value = thread.values[key];
        if (value == nullptr) {
            continue;
        }
        thread.values[key] = nullptr;
        AcquireSRWLockShared(&keyLock);
        const KeyRecord record = keys[key];
        ReleaseSRWLockShared(&keyLock);
        if (record.used && record.generation == thread.generations[key] &&
            record.destructor != nullptr) {
            record.destructor(value);
            ran = true;
        }
    }
    return ran;
}

void NTAPI ThreadValuesGo(void* values) {
    auto* thread = static_cast<ThreadValues*>(values);
    if (thread == nullptr) {
        return;
    }
    for (int round = 0; round < kDestructorRounds && RunDestructorsOnce(*thread); ++round) {
    }
    HeapFree(GetProcessHeap(), 0, thread);
}

// The key's record, while it is in use.
bool KeyInUse(pthread_key_t key, std::uint32_t* generation) {
    if (key >= kKeys) {
        return false;
    }
    AcquireSRWLockShared(&keyLock);
    const bool used = keys[key].used;
    *generation = keys[key].generation;
    ReleaseSRWLockShared(&keyLock);
    return used;
}

// ---- Unloading

// Set as the DLL goes: the system says whether the process is ending, with the other threads
// already stopped wherever they were, rather than the DLL being unloaded.
bool processEnding = false;

// Freeing the slot runs every key's destructor for each thread's value. When the process ends,
// everything goes with it, and the other threads' values are left alone.
void GiveBackAtUnload() {
    if (processEnding || valuesSlot == FLS_OUT_OF_INDEXES) {
        return;
    }
    FlsFree(valuesSlot);
    valuesSlot = FLS_OUT_OF_INDEXES;
}

// The exit functions run last first: registered before the runtime's first constructor (which
// registers the unwind tables and the exit function that takes them back), this one runs after
// everything that could still use the keys. A failed registration leaves them as they were.
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

// Attributes would make a lock of another kind; the runtimes make theirs with none.
int pthread_mutex_init(pthread_mutex_t* lock, const pthread_mutexattr_t* attributes) {
    if (attributes != nullptr) {
        return ENOTSUP;
    }
    *Word(lock) = 0;
    return 0;
}

int pthread_mutex_destroy(pthread_mutex_t* lock) {
    const intptr_t word = *Word(lock);
    if (OwnedLock* owned = AsOwned(word)) {
        if (owned->owner != 0) {
            return EBUSY;
        }
        *Word(lock) = owned->kind;
        ReleaseOwnedLock(owned);
        return 0;
    }
    if (word == kNormal || word == kRecursive || word == kErrorChecking) {
        return 0;
    }
    if (!TryAcquireSRWLockExclusive(Slim(lock))) {
        return EBUSY;
    }
    ReleaseSRWLockExclusive(Slim(lock));
    *Word(lock) = kNormal;
    return 0;
}

int pthread_mutex_lock(pthread_mutex_t* lock) {
    if (OwnedLock* owned = AsOwned(Prepared(lock))) {
        return LockOwned(*owned, true);
    }
    AcquireSRWLockExclusive(Slim(lock));
    return 0;
}

int pthread_mutex_trylock(pthread_mutex_t* lock) {
    if (OwnedLock* owned = AsOwned(Prepared(lock))) {
        return LockOwned(*owned, false);
    }
    return TryAcquireSRWLockExclusive(Slim(lock)) ? 0 : EBUSY;
}

int pthread_mutex_unlock(pthread_mutex_t* lock) {
    if (OwnedLock* owned = AsOwned(*Word(lock))) {
        return UnlockOwned(*owned);
    }
    ReleaseSRWLockExclusive(Slim(lock));
    return 0;
}

int pthread_cond_init(pthread_cond_t* condition, const pthread_condattr_t* attributes) {
    if (attributes != nullptr) {
        return ENOTSUP;
    }
    InitializeConditionVariable(reinterpret_cast<CONDITION_VARIABLE*>(condition));
    return 0;
}

// A condition variable holds nothing outside its word.
int pthread_cond_destroy(pthread_cond_t*) { return 0; }

// Waits with the lock held once: a recursive lock is given up whole and taken back to its depth.
int pthread_cond_wait(pthread_cond_t* condition, pthread_mutex_t* lock) {
    auto* word = reinterpret_cast<volatile intptr_t*>(condition);
    CompareExchange(word, 0, static_cast<intptr_t>(PTHREAD_COND_INITIALIZER));
    auto* variable = reinterpret_cast<CONDITION_VARIABLE*>(condition);
    OwnedLock* owned = AsOwned(*Word(lock));
    if (owned == nullptr) {
        return SleepConditionVariableSRW(variable, Slim(lock), INFINITE, 0) ? 0 : EINVAL;
    }
    const DWORD self = GetCurrentThreadId();
    if (owned->owner != self) {
        return EPERM;
    }
    const LONG depth = owned->depth;
    owned->owner = 0;
    owned->depth = 0;
    const BOOL woken = SleepConditionVariableSRW(variable, &owned->lock, INFINITE, 0);
    owned->owner = self;
    owned->depth = depth;
    return woken ? 0 : EINVAL;
}

// No thread waits on a condition variable still in its static initialiser: a waiter replaces it.
int pthread_cond_signal(pthread_cond_t* condition) {
    if (*reinterpret_cast<volatile intptr_t*>(condition) != PTHREAD_COND_INITIALIZER) {
        WakeConditionVariable(reinterpret_cast<CONDITION_VARIABLE*>(condition));
    }
    return 0;
}

int pthread_cond_broadcast(pthread_cond_t* condition) {
    if (*reinterpret_cast<volatile intptr_t*>(condition) != PTHREAD_COND_INITIALIZER) {
        WakeAllConditionVariable(reinterpret_cast<CONDITION_VARIABLE*>(condition));
    }
    return 0;
}

// One thread runs the function; the others sleep until it is done. A function that throws
// (std::call_once's does when its callable throws) leaves the once not run, and one of the
// threads that waited runs it then.
int pthread_once(pthread_once_t* once, void (*function)(void)) {
    auto* state = reinterpret_cast<volatile LONG*>(once);
    if (__atomic_load_n(state, __ATOMIC_ACQUIRE) == kOnceDone) {
        return 0;
    }
    AcquireSRWLockExclusive(&onceLock);
    while (*state == kOnceRunning) {
        SleepConditionVariableSRW(&onceChanged, &onceLock, INFINITE, 0);
    }
    const bool run = *state == kOnceNotRun;
    if (run) {
        InterlockedExchange(state, kOnceRunning);
    }
    ReleaseSRWLockExclusive(&onceLock);
    if (!run) {
        return 0;
    }
    try {
        function();
    } catch (...) {
        SetOnceState(state, kOnceNotRun);
        throw;
    }
    SetOnceState(state, kOnceDone);
    return 0;
}

// The DLL's one fiber-local slot is taken with the first key. A key that cannot be made is said in
// the trace: the runtimes end the process when theirs cannot.
int pthread_key_create(pthread_key_t* key, void (*destructor)(void*)) {
    AcquireSRWLockExclusive(&keyLock);
    if (valuesSlot == FLS_OUT_OF_INDEXES) {
        valuesSlot = FlsAlloc(ThreadValuesGo);
    }
    int result = EAGAIN;
    for (std::size_t index = 0; valuesSlot != FLS_OUT_OF_INDEXES && index < kKeys; ++index) {
        if (!keys[index].used) {
            keys[index] = {destructor, keys[index].generation + 1, true};
            *key = static_cast<pthread_key_t>(index);
            result = 0;
            break;
        }
    }
    ReleaseSRWLockExclusive(&keyLock);
    if (result != 0) {
        Trace(valuesSlot == FLS_OUT_OF_INDEXES
                  ? L"vqDataFileReader: no fiber-local slot is left for thread-specific keys"
                  : L"vqDataFileReader: all 64 thread-specific keys are in use");
    }
    return result;
}

// Deleting a key runs no destructor; the values threads gave it are no longer seen.
int pthread_key_delete(pthread_key_t key) {
    if (key >= kKeys) {
        return EINVAL;
    }
    AcquireSRWLockExclusive(&keyLock);
    const bool used = keys[key].used;
    keys[key].used = false;
    keys[key].destructor = nullptr;
    ReleaseSRWLockExclusive(&keyLock);
    return used ? 0 : EINVAL;
}

// Reading a value leaves the thread's last error as it was, as the thread library's does: the
// runtime reads its exception state between a failing call and the look at its error.
void* pthread_getspecific(pthread_key_t key) {
    const DWORD lastError = GetLastError();
    void* value = nullptr;
    std::uint32_t generation = 0;
    if (KeyInUse(key, &generation)) {
        const auto* thread = static_cast<const ThreadValues*>(FlsGetValue(valuesSlot));
        if (thread != nullptr && thread->generations[key] == generation) {
            value = thread->values[key];
        }
    }
    SetLastError(lastError);
    return value;
}

int pthread_setspecific(pthread_key_t key, const void* value) {
    std::uint32_t generation = 0;
    if (!KeyInUse(key, &generation)) {
        return EINVAL;
    }
    auto* thread = static_cast<ThreadValues*>(FlsGetValue(valuesSlot));
    if (thread == nullptr) {
        thread = static_cast<ThreadValues*>(
            HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(ThreadValues)));
        if (thread == nullptr) {
            return ENOMEM;
        }
        if (!FlsSetValue(valuesSlot, thread)) {
            HeapFree(GetProcessHeap(), 0, thread);
            return ENOMEM;
        }
    }
    thread->values[key] = const_cast<void*>(value);
    thread->generations[key] = generation;
    return 0;
}

}  // extern "C"

// A runtime compiled to take these functions from the thread library's DLL reaches them through
// import-table pointers ("__imp_" and the symbol's name); these lead to the functions above, so
// that such a reference neither fails the link nor goes anywhere else.
#define VQDF_TEXT(text) #text
#define VQDF_SYMBOL_TEXT(prefix, name) VQDF_TEXT(prefix) #name
#define VQDF_IMPORT_POINTER(name)                                                               \
    extern "C" __attribute__((used)) decltype(&name)                                            \
        const importOf_##name __asm__("__imp_" VQDF_SYMBOL_TEXT(__USER_LABEL_PREFIX__, name)) = \
            name;
VQDF_IMPORT_POINTER(pthread_mutex_init)
VQDF_IMPORT_POINTER(pthread_mutex_destroy)
VQDF_IMPORT_POINTER(pthread_mutex_lock)
VQDF_IMPORT_POINTER(pthread_mutex_trylock)
VQDF_IMPORT_POINTER(pthread_mutex_unlock)
VQDF_IMPORT_POINTER(pthread_cond_init)
VQDF_IMPORT_POINTER(pthread_cond_destroy)
VQDF_IMPORT_POINTER(pthread_cond_wait)
VQDF_IMPORT_POINTER(pthread_cond_signal)
VQDF_IMPORT_POINTER(pthread_cond_broadcast)
VQDF_IMPORT_POINTER(pthread_once)
VQDF_IMPORT_POINTER(pthread_key_create)
VQDF_IMPORT_POINTER(pthread_key_delete)
VQDF_IMPORT_POINTER(pthread_getspecific)
VQDF_IMPORT_POINTER(pthread_setspecific)
