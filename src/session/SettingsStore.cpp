#include "session/SettingsStore.h"

#include <QString>

namespace quillo {

namespace {

enum class ValueState { Absent, Integer, OtherType };

struct IntegerValue
{
    ValueState state = ValueState::Absent;
    int value = 0;
};

IntegerValue readInteger(const QSettings& key, const QString& name)
{
    const QVariant stored = key.value(name);
    if (!stored.isValid())
        return {};
    bool ok = false;
    int value = 0;
#ifdef Q_OS_WIN
    // The registry keeps types: only a 32-bit integer value is one.
    if (stored.typeId() == QMetaType::Int || stored.typeId() == QMetaType::UInt)
        value = stored.toInt(&ok);
#else
    // An INI file keeps text: an integer is text that reads as a 32-bit integer.
    if (stored.typeId() == QMetaType::QString)
        value = stored.toString().trimmed().toInt(&ok);
    else if (stored.canConvert<int>())
        value = stored.toInt(&ok);
#endif
    return ok ? IntegerValue{ValueState::Integer, value} : IntegerValue{ValueState::OtherType, 0};
}

StoredChoices fallBack(const Selections& readSoFar)
{
    StoredChoices choices;
    choices.selections.SourceLanguage2 = readSoFar.SourceLanguage2;
    choices.fellBack = true;
    return choices;
}

constexpr int kEngineCount = 2;

} // namespace

std::unique_ptr<QSettings> OpenSettingsKey()
{
#ifdef Q_OS_WIN
    return std::make_unique<QSettings>(QStringLiteral("HKEY_CURRENT_USER\\Software\\5372"), QSettings::NativeFormat);
#else
    return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("5372"),
                                       QStringLiteral("Quillo"));
#endif
}

StoredChoices ReadChoices(const QSettings& key)
{
    Selections read;
    const IntegerValue engine = readInteger(key, QStringLiteral("TranServer"));
    if (engine.state == ValueState::OtherType)
        return fallBack(read);
    // An index of no engine (a negative one included) would leave the window without an engine.
    if (engine.state == ValueState::Integer)
        read.TranServer = engine.value >= 0 && engine.value < kEngineCount ? engine.value : 0;

    const std::pair<const char*, int*> lists[] = {
        {"TranOption", &read.TranOption},       {"SourceLanguage", &read.SourceLanguage},
        {"SourceLanguage2", &read.SourceLanguage2}, {"TopicLanguage", &read.TopicLanguage},
        {"TargetLanguage", &read.TargetLanguage},
    };
    for (const auto& [name, index] : lists) {
        const IntegerValue stored = readInteger(key, QString::fromLatin1(name));
        if (stored.state == ValueState::OtherType)
            return fallBack(read);
        if (stored.state == ValueState::Integer)
            *index = stored.value;
    }

    StoredChoices choices;
    choices.selections = read;
    const IntegerValue face = readInteger(key, QStringLiteral("Face"));
    if (face.state == ValueState::OtherType)
        return fallBack(read);
    if (face.state == ValueState::Integer && face.value >= 1 && face.value <= 3)
        choices.face = face.value;
    return choices;
}

void WriteSelections(QSettings& key, const Selections& selections)
{
    key.setValue(QStringLiteral("TranServer"), selections.TranServer);
    key.setValue(QStringLiteral("TranOption"), selections.TranOption);
    key.setValue(QStringLiteral("SourceLanguage"), selections.SourceLanguage);
    key.setValue(QStringLiteral("SourceLanguage2"), selections.SourceLanguage2);
    key.setValue(QStringLiteral("TopicLanguage"), selections.TopicLanguage);
    key.setValue(QStringLiteral("TargetLanguage"), selections.TargetLanguage);
}

void WriteFace(QSettings& key, int face)
{
    key.setValue(QStringLiteral("Face"), face);
}

std::optional<QRect> ReadPlacement(const QSettings& key)
{
    int values[4] = {};
    const char* names[4] = {"top", "left", "width", "height"};
    for (int i = 0; i < 4; ++i) {
        const IntegerValue stored = readInteger(key, QString::fromLatin1(names[i]));
        if (stored.state != ValueState::Integer)
            return std::nullopt;
        values[i] = stored.value;
    }
    return QRect(values[1], values[0], values[2], values[3]);
}

void WritePlacement(QSettings& key, const QRect& placement)
{
    key.setValue(QStringLiteral("top"), placement.top());
    key.setValue(QStringLiteral("left"), placement.left());
    key.setValue(QStringLiteral("width"), placement.width());
    key.setValue(QStringLiteral("height"), placement.height());
}

} // namespace quillo
