// A DLL linked as the library is, whose exports use what of the runtimes the library itself uses
// only when memory runs out (an exception thrown and caught, on the calling thread and on a
// thread of the DLL's own that then ends, and a function-local static), and what the thread
// library serves the runtimes: locks, once-functions and thread-specific keys. All that they set
// up must go with the DLL.
#include <pthread.h>
#include <windows.h>

#include <array>
#include <mutex>
#include <stdexcept>
#include <string>

namespace {

int ThrowAndCatch() {
    try {
        throw std::runtime_error(std::string(64, 'x'));
    } catch (const std::exception& error) {
        return error.what()[0] == 'x' ? 1 : 0;
    }
}

const std::string& Static() {
    static const std::string text(64, 's');
    return text;
}

template <typename Function>
DWORD WINAPI RunFunction(void* function) {
    (*static_cast<Function*>(function))();
    return 0;
}

// Starts a thread that runs a function; null if none could be started.
template <typename Function>
HANDLE StartThread(Function& function) {
    return CreateThread(nullptr, 0, RunFunction<Function>, &function, 0, nullptr);
}

// Waits for a thread and closes its handle.
void Join(HANDLE thread) {
    if (thread != nullptr) {
        WaitForSingleObject(thread, INFINITE);
        CloseHandle(thread);
    }
}

// Static locks, as the runtimes and a DLL's own code have them: taken, never destroyed.
std::array<std::mutex, 32> staticLocks;

// A static lock whose owner destroys it as the DLL goes.
struct SelfDestroyingLock {
    pthread_mutex_t lock = PTHREAD_MUTEX_INITIALIZER;
    ~SelfDestroyingLock() { pthread_mutex_destroy(&lock); }
    SelfDestroyingLock() = default;
    SelfDestroyingLock(const SelfDestroyingLock&) = delete;
    SelfDestroyingLock& operator=(const SelfDestroyingLock&) = delete;
};
SelfDestroyingLock selfDestroyingLock;

pthread_mutex_t recursiveLock = PTHREAD_RECURSIVE_MUTEX_INITIALIZER;
pthread_mutex_t errorCheckingLock = PTHREAD_ERRORCHECK_MUTEX_INITIALIZER;

// More recursive locks than the DLL keeps records for, each taken twice by one thread: no other
// thread can take any of them until each is given up twice. Destroyed, they can be taken again.
bool ManyRecursiveLocksHeldAtOnce() {
    std::array<pthread_mutex_t, 24> locks{};
    locks.fill(PTHREAD_RECURSIVE_MUTEX_INITIALIZER);
    int takenElsewhere = 0;
    auto tryAll = [&] {
        takenElsewhere = 0;
        for (auto& lock : locks) {
            if (pthread_mutex_trylock(&lock) == 0) {
                ++takenElsewhere;
                pthread_mutex_unlock(&lock);
            }
        }
    };
    bool behaved = true;
    for (int round = 0; round < 2; ++round) {
        for (auto& lock : locks) {
            behaved = behaved && pthread_mutex_lock(&lock) == 0 && pthread_mutex_lock(&lock) == 0;
        }
        Join(StartThread(tryAll));
        behaved = behaved && takenElsewhere == 0;
        for (auto& lock : locks) {
            behaved =
                behaved && pthread_mutex_unlock(&lock) == 0 && pthread_mutex_unlock(&lock) == 0;
        }
        Join(StartThread(tryAll));
        behaved = behaved && takenElsewhere == static_cast<int>(locks.size());
        for (auto& lock : locks) {
            behaved = behaved && pthread_mutex_destroy(&lock) == 0;
        }
    }
    return behaved;
}

volatile LONG destructorRuns = 0;
void CountDestructorRun(void*) { InterlockedIncrement(&destructorRuns); }

// The CPU time a thread has used, in milliseconds.
double CpuMilliseconds(HANDLE thread) {
    FILETIME created{}, exited{}, kernel{}, user{};
    if (!GetThreadTimes(thread, &created, &exited, &kernel, &user)) {
        return -1;
    }
    const auto ticks = [](FILETIME time) {
        return (static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
    };
    return static_cast<double>(ticks(kernel) + ticks(user)) / 10000.0;
}

}  // namespace

// 3 when the exceptions were caught on both threads and the static was made.
extern "C" __declspec(dllexport) int ProbeRuntime() {
    int caughtThere = 0;
    auto there = [&] { caughtThere = ThrowAndCatch(); };
    Join(StartThread(there));
    return ThrowAndCatch() + caughtThere + (Static().size() == 64 ? 1 : 0);
}

// Takes every static lock, the self-destroying one, a recursive lock twice over and an
// error-checking one, more recursive ones than the DLL keeps records for, with an exception thrown
// between; the number of locks that behaved (36).
extern "C" __declspec(dllexport) int ProbeStaticLocks() {
    int behaved = 0;
    for (auto& lock : staticLocks) {
        const std::lock_guard<std::mutex> held(lock);
        behaved += ThrowAndCatch();
    }
    if (pthread_mutex_lock(&selfDestroyingLock.lock) == 0) {
        behaved += pthread_mutex_trylock(&selfDestroyingLock.lock) != 0 ? 1 : 0;
        pthread_mutex_unlock(&selfDestroyingLock.lock);
    }
    // Taken twice and given up once, the recursive lock is still held: another thread cannot
    // take it until it is given up again.
    int elsewhere = -1;
    auto tryElsewhere = [&] {
        elsewhere = pthread_mutex_trylock(&recursiveLock);
        if (elsewhere == 0) {
            pthread_mutex_unlock(&recursiveLock);
        }
    };
    if (pthread_mutex_lock(&recursiveLock) == 0 && pthread_mutex_lock(&recursiveLock) == 0) {
        pthread_mutex_unlock(&recursiveLock);
        Join(StartThread(tryElsewhere));
        const bool stillHeld = elsewhere == EBUSY;
        pthread_mutex_unlock(&recursiveLock);
        Join(StartThread(tryElsewhere));
        behaved += stillHeld && elsewhere == 0 ? 1 : 0;
    }
    behaved += ManyRecursiveLocksHeldAtOnce() ? 1 : 0;
    if (pthread_mutex_lock(&errorCheckingLock) == 0) {
        behaved += pthread_mutex_lock(&errorCheckingLock) == EDEADLK ? 1 : 0;
        pthread_mutex_unlock(&errorCheckingLock);
    }
    return behaved;
}

// Two threads on one once-function: the first runs it and it throws after 600 ms; the second,
// waiting meanwhile, must then run it itself. 1 when it did, 0 when the waiter was still waiting
// after the given time. *waiterCpuMilliseconds: the CPU time the waiter used in the first 500 ms
// of its wait, when it can only wait.
extern "C" __declspec(dllexport) int ProbeOnceAfterThrow(DWORD boundMilliseconds,
                                                         double* waiterCpuMilliseconds) {
    std::once_flag once;
    HANDLE started = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    bool firstCaught = false;
    bool secondRan = false;
    auto first = [&] {
        try {
            std::call_once(once, [&] {
                SetEvent(started);
                Sleep(600);
                throw std::runtime_error("first try fails");
            });
        } catch (const std::runtime_error&) {
            firstCaught = true;
        }
    };
    auto second = [&] {
        WaitForSingleObject(started, INFINITE);
        std::call_once(once, [&] { secondRan = true; });
    };
    HANDLE firstThread = StartThread(first);
    HANDLE waiter = StartThread(second);
    *waiterCpuMilliseconds = -1;
    if (firstThread == nullptr || waiter == nullptr) {
        Join(firstThread);
        Join(waiter);
        return 0;
    }
    WaitForSingleObject(started, INFINITE);
    Sleep(500);
    *waiterCpuMilliseconds = CpuMilliseconds(waiter);
    Join(firstThread);
    CloseHandle(started);
    if (WaitForSingleObject(waiter, boundMilliseconds) != WAIT_OBJECT_0) {
        // Still waiting for a function that will never run: it must not outlive the DLL.
        TerminateThread(waiter, 1);
        CloseHandle(waiter);
        return 0;
    }
    CloseHandle(waiter);
    return firstCaught && secondRan ? 1 : 0;
}

// Creates a key, gives it a value, deletes it, the given number of times in turn; the number of
// rounds in which the key was made and started without a value.
extern "C" __declspec(dllexport) int ProbeKeyRounds(int rounds) {
    int fresh = 0;
    static int value = 0;
    for (int round = 0; round < rounds; ++round) {
        pthread_key_t key{};
        if (pthread_key_create(&key, nullptr) != 0) {
            continue;
        }
        fresh += pthread_getspecific(key) == nullptr ? 1 : 0;
        pthread_setspecific(key, &value);
        pthread_key_delete(key);
    }
    return fresh;
}

// Makes the given number of keys with a counting destructor and gives each a value on a thread
// that then ends, and on the calling thread; the keys stay. The destructor runs counted so far.
extern "C" __declspec(dllexport) int ProbeKeysOnThreads(int keys) {
    static int value = 0;
    static std::array<pthread_key_t, 64> made{};
    int count = 0;
    for (int i = 0; i < keys && i < 64; ++i) {
        if (pthread_key_create(&made[static_cast<std::size_t>(count)], CountDestructorRun) == 0) {
            ++count;
        }
    }
    auto setAll = [&] {
        for (int i = 0; i < count; ++i) {
            pthread_setspecific(made[static_cast<std::size_t>(i)], &value);
        }
    };
    Join(StartThread(setAll));
    setAll();
    return count == keys ? static_cast<int>(destructorRuns) : -1;
}

namespace {

volatile LONG slowStaticMade = 0;

// A function-local static whose initialisation takes a while: threads that arrive meanwhile wait
// on the runtime's recursive lock and condition variable for it.
int SlowStatic() {
    static const int value = [] {
        InterlockedIncrement(&slowStaticMade);
        Sleep(100);
        return 7;
    }();
    return value;
}

}  // namespace

// Four threads count up under a static lock, under a recursive lock taken twice, and read a
// function-local static made while they arrive; 1 when no count was lost and the static was made
// once.
extern "C" __declspec(dllexport) int ProbeContention() {
    constexpr int kThreads = 4;
    constexpr long kCounts = 20000;
    static std::mutex counted;
    static pthread_mutex_t recursive = PTHREAD_RECURSIVE_MUTEX_INITIALIZER;
    long plain = 0;
    long nested = 0;
    volatile LONG staticsRight = 0;
    auto count = [&] {
        InterlockedExchangeAdd(&staticsRight, SlowStatic() == 7 ? 1 : 0);
        for (long i = 0; i < kCounts; ++i) {
            {
                const std::lock_guard<std::mutex> held(counted);
                ++plain;
            }
            pthread_mutex_lock(&recursive);
            pthread_mutex_lock(&recursive);
            ++nested;
            pthread_mutex_unlock(&recursive);
            pthread_mutex_unlock(&recursive);
        }
    };
    std::array<HANDLE, kThreads> threads{};
    for (auto& thread : threads) {
        thread = StartThread(count);
    }
    for (HANDLE thread : threads) {
        Join(thread);
    }
    return plain == kThreads * kCounts && nested == kThreads * kCounts &&
                   staticsRight == kThreads && slowStaticMade == 1
               ? 1
               : 0;
}
