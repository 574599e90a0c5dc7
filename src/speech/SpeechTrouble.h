#pragma once
// Why speech fails, in words the user can act on: a missing package is installed, a missing sound
// device is not, and the two look alike from inside (speech-dispatcher hangs or fails either way).
#include <QString>

namespace quillo {

struct SpeechSurroundings
{
    bool dispatcherInstalled = false; // the speech-dispatcher program is on the search path
    bool soundOutput = false;         // an ALSA playback device, or a sound server's socket
};

// What this machine has; the folders are parameters for the tests.
SpeechSurroundings ProbeSpeechSurroundings(const QString& deviceFolder = QStringLiteral("/dev/snd"),
                                           const QString& runtimeFolder = qEnvironmentVariable("XDG_RUNTIME_DIR"));

// The sentence for an engine that could not start, and for a speech service that does not answer.
QString EngineFailureMessage(const SpeechSurroundings& surroundings);
QString NoReplyMessage(const SpeechSurroundings& surroundings);

} // namespace quillo
