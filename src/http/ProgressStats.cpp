#include "http/ProgressStats.h"

#include <cmath>

namespace quillo {

ProgressFigures ComputeProgress(qint64 contentLength, qint64 bytesRead, qint64 elapsedMs)
{
    ProgressFigures f;
    const double length = double(contentLength);
    const double read = double(bytesRead);
    // std::rint rounds halves to the even neighbour in the default rounding mode.
    if (contentLength != 0)
        f.percentsDone = quint8(qint64(std::rint(read * 100.0 / length)));
    f.elapsedTime = qint32(quint32(qMax<qint64>(elapsedMs, 0) / 1000));
    if (bytesRead != 0)
        f.estimatedTimeLeft = qint32(qint64(std::rint(length / read * f.elapsedTime)) - f.elapsedTime);
    f.transferRate = float(read / 1024.0);
    if (f.elapsedTime != 0)
        f.transferRate /= float(f.elapsedTime);
    return f;
}

} // namespace quillo
