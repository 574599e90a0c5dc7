#include "speech/SpeechTrouble.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace quillo {

namespace {

const QString kNoSoundDevice = QStringLiteral("这台计算机没有可以播放声音的设备，无法朗读。");

} // namespace

SpeechSurroundings ProbeSpeechSurroundings(const QString& deviceFolder, const QString& runtimeFolder)
{
    SpeechSurroundings found;
    found.dispatcherInstalled = !QStandardPaths::findExecutable(QStringLiteral("speech-dispatcher")).isEmpty();
    // ALSA names playback devices pcmC<card>D<device>p; PulseAudio and PipeWire listen on sockets
    // in the user's runtime folder (or wherever PULSE_SERVER says).
    const bool alsa = !QDir(deviceFolder).entryList({QStringLiteral("pcmC*p")}, QDir::System | QDir::Files).isEmpty();
    const bool server = !qEnvironmentVariableIsEmpty("PULSE_SERVER")
                        || (!runtimeFolder.isEmpty()
                            && (QFileInfo::exists(runtimeFolder + QStringLiteral("/pulse/native"))
                                || QFileInfo::exists(runtimeFolder + QStringLiteral("/pipewire-0"))));
    found.soundOutput = alsa || server;
    return found;
}

QString EngineFailureMessage(const SpeechSurroundings& surroundings)
{
    if (!surroundings.dispatcherInstalled)
        return QStringLiteral("无法启动朗读引擎，请安装 speech-dispatcher 和 espeak-ng。");
    if (!surroundings.soundOutput)
        return kNoSoundDevice;
    return QStringLiteral("无法启动朗读引擎，请检查 speech-dispatcher 是否正常运行。");
}

QString NoReplyMessage(const SpeechSurroundings& surroundings)
{
    if (!surroundings.soundOutput)
        return kNoSoundDevice;
    return QStringLiteral("朗读服务没有响应，请检查 speech-dispatcher 是否正常运行。");
}

} // namespace quillo
