#pragma once
// The figures OnProgress reports, from the announced length, the bytes so far and the time since
// the request started.
#include <QtGlobal>

namespace quillo {

struct ProgressFigures {
    quint8 percentsDone = 0;    // rounded half to even, kept in 8 bits
    qint32 elapsedTime = 0;     // whole seconds
    qint32 estimatedTimeLeft = 0; // seconds
    float transferRate = 0;     // KB (1024 bytes) per second; the KB so far during the first second
};

ProgressFigures ComputeProgress(qint64 contentLength, qint64 bytesRead, qint64 elapsedMs);

} // namespace quillo
