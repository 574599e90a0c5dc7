#include "http/StatusText.h"

namespace quillo {

QString StatusText(int code)
{
    switch (code) {
    case 10: return QStringLiteral("Resolving name");
    case 11: return QStringLiteral("Name resolved");
    case 20: return QStringLiteral("Connecting to server");
    case 21: return QStringLiteral("Connected");
    case 30: return QStringLiteral("Sending Request");
    case 31: return QStringLiteral("Request sent");
    case 40: return QStringLiteral("Receiving response");
    case 41: return QStringLiteral("Response received");
    case 42: return QStringLiteral("CTL Response received");
    case 43: return QStringLiteral("Prefetch");
    case 50: return QStringLiteral("Closing connection");
    case 51: return QStringLiteral("Connection closed");
    case 60: return QStringLiteral("Handle created");
    case 70: return QStringLiteral("Handle closing");
    case 100: return QStringLiteral("Request complete");
    case 110: return QStringLiteral("Redirect");
    case 120: return QStringLiteral("Intermediate response");
    case 200: return QStringLiteral("State change");
    default: return QStringLiteral("Unknown status");
    }
}

} // namespace quillo
