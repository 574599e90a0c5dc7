#pragma once
// The speech engine as the speaker sees it. Qt TextToSpeech and what it loads (speech-dispatcher's
// client) live in a plug-in of ours, libquillo_speech.so, opened by the first speak(): the program
// starts without them. Only this header is shared between the two sides, so nothing but Qt Core's
// types crosses it.
#include <QLocale>
#include <QString>

#include <functional>

namespace quillo {

enum class SpeechStart {
    Started,
    NoEngine,      // no Qt speech engine of that name (its plug-in is not installed)
    EngineFailed,  // the engine could not start (its speech service is missing or broken)
    NoVoice,       // no voice for the language
};

class SpeechEngine
{
public:
    virtual ~SpeechEngine() = default;
    // Stops what is being read and starts reading `text` with a voice for `language`.
    virtual SpeechStart speak(const QString& text, const QLocale& language) = 0;
    virtual void stop() = 0;
};

// The plug-in's one entry point: an engine by Qt TextToSpeech engine name (empty for the platform's
// default) that calls `onError` with the engine's reason when reading fails later.
using CreateSpeechEngineFunction = SpeechEngine* (*)(const QString& engineName,
                                                    const std::function<void(const QString&)>& onError);
inline constexpr const char* kCreateSpeechEngineName = "QuilloCreateSpeechEngine";

} // namespace quillo
