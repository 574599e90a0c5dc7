#pragma once
// The seven priority levels of a request's worker thread and their mapping onto the system's.
// The level has a header of its own because both the request component and its worker
// machinery use it, and neither should have to include the other for it.
#include <QtGlobal>

namespace quillo {

enum TThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

// The platform's classic priority values of the seven levels (-15, -2, -1, 0, 1, 2, 15).
int OsPriorityValue(TThreadPriority level);
// The last level with that value; tpNormal when none has it.
TThreadPriority LevelFromOsPriority(int value);

// Identifies the calling thread for ApplyThreadPriority.
qint64 CurrentThreadOsId();
// Best effort: false when the system refuses (see the .cpp for when it does).
bool ApplyThreadPriority(qint64 osThreadId, TThreadPriority level);

} // namespace quillo
