#include "http/ThreadPriority.h"

#include <array>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

namespace quillo {

namespace {

constexpr std::array<int, 7> kOsValues = {-15, -2, -1, 0, 1, 2, 15};

#ifndef Q_OS_WIN
// Linux schedules ordinary threads by their nice value, which is per thread.
constexpr std::array<int, 7> kNiceValues = {19, 10, 5, 0, -5, -10, -20};
#endif

} // namespace

int OsPriorityValue(TThreadPriority level)
{
    return kOsValues[size_t(level)];
}

TThreadPriority LevelFromOsPriority(int value)
{
    for (size_t i = kOsValues.size(); i-- > 0;)
        if (kOsValues[i] == value)
            return TThreadPriority(i);
    return tpNormal;
}

qint64 CurrentThreadOsId()
{
#ifdef Q_OS_WIN
    return qint64(GetCurrentThreadId());
#else
    return qint64(syscall(SYS_gettid));
#endif
}

bool ApplyThreadPriority(qint64 osThreadId, TThreadPriority level)
{
#ifdef Q_OS_WIN
    HANDLE thread = OpenThread(THREAD_SET_INFORMATION, FALSE, DWORD(osThreadId));
    if (!thread)
        return false;
    const bool ok = SetThreadPriority(thread, OsPriorityValue(level)) != 0;
    CloseHandle(thread);
    return ok;
#else
    // Lowering a thread's priority (a higher nice value) is always allowed; raising it above the
    // process's is refused to an ordinary user (EACCES without CAP_SYS_NICE or a raised
    // RLIMIT_NICE). The level is still kept and read back, so only the scheduling differs.
    return setpriority(PRIO_PROCESS, id_t(osThreadId), kNiceValues[size_t(level)]) == 0;
#endif
}

} // namespace quillo
