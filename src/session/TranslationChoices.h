#pragma once
// The user's current choices for a translation: the engine, the source language of each engine
// (the two engines keep lists of their own), the target language, the subject topic and the hidden
// language pair list. One object, owned by the program: the main window's lists show and change
// it, and the popup and the settings read and change it here, never through a window's widgets.
//
// A choice may be empty, as a list may have no selection: a stored index out of range selects
// nothing.
#include "core/Languages.h"
#include "session/EngineId.h"

#include <QObject>
#include <QStringList>
#include <optional>

namespace quillo {

struct Selections;

// An entry of a list by its place; empty for a place outside the list (-1 included), and back.
std::optional<Language> LanguageAt(int index);
int IndexOf(std::optional<Language> language);

class TranslationChoices : public QObject
{
    Q_OBJECT
public:
    explicit TranslationChoices(QObject* parent = nullptr);

    std::optional<EngineId> engine() const { return m_engine; }
    // The chosen engine's source language; the text service's when no engine is chosen.
    std::optional<Language> source() const;
    std::optional<Language> sourceOf(EngineId engine) const;
    std::optional<Language> target() const { return m_target; }
    // Places in the topic list and in the language pair list.
    std::optional<int> topic() const { return m_topic; }
    std::optional<int> languagePair() const { return m_languagePair; }

    void setEngine(std::optional<EngineId> engine);
    void setSource(EngineId engine, std::optional<Language> language);
    void setTarget(std::optional<Language> language);
    void setTopic(std::optional<int> topic);
    void setLanguagePair(std::optional<int> pair);
    // The chosen engine's source and the target change places; nothing without a chosen engine.
    void swapLanguages();

    // As the settings keep them: the places in the six lists.
    Selections selections() const;
    void setSelections(const Selections& selections);

signals:
    void changed();

private:
    template <typename T>
    void update(T& field, const T& value);

    std::optional<EngineId> m_engine;
    std::optional<Language> m_worldLingoSource;
    std::optional<Language> m_textServiceSource;
    std::optional<Language> m_target;
    std::optional<int> m_topic;
    std::optional<int> m_languagePair;
};

} // namespace quillo
