#include "session/TranslationChoices.h"

#include "session/SettingsStore.h"
#include "translate/LanguagePairs.h"

#include <tuple>
#include <utility>

namespace quillo {

namespace {

std::optional<int> placeIn(int index, int count)
{
    return index >= 0 && index < count ? std::optional<int>(index) : std::nullopt;
}

} // namespace

std::optional<Language> LanguageAt(int index)
{
    const auto place = placeIn(index, kLanguageCount);
    return place ? std::optional<Language>(Language(*place)) : std::nullopt;
}

int IndexOf(std::optional<Language> language)
{
    return language ? int(*language) : -1;
}

TranslationChoices::TranslationChoices(QObject* parent)
    : QObject(parent)
{
}

std::optional<Language> TranslationChoices::source() const
{
    return sourceOf(m_engine.value_or(EngineId::TextService));
}

std::optional<Language> TranslationChoices::sourceOf(EngineId engine) const
{
    return engine == EngineId::WorldLingo ? m_worldLingoSource : m_textServiceSource;
}

template <typename T>
void TranslationChoices::update(T& field, const T& value)
{
    if (field == value)
        return;
    field = value;
    emit changed();
}

void TranslationChoices::setEngine(std::optional<EngineId> engine)
{
    update(m_engine, engine);
}

void TranslationChoices::setSource(EngineId engine, std::optional<Language> language)
{
    update(engine == EngineId::WorldLingo ? m_worldLingoSource : m_textServiceSource, language);
}

void TranslationChoices::setTarget(std::optional<Language> language)
{
    update(m_target, language);
}

void TranslationChoices::setTopic(std::optional<int> topic)
{
    update(m_topic, topic);
}

void TranslationChoices::setLanguagePair(std::optional<int> pair)
{
    update(m_languagePair, pair);
}

void TranslationChoices::swapLanguages()
{
    if (!m_engine)
        return;
    std::optional<Language>& source = *m_engine == EngineId::WorldLingo ? m_worldLingoSource : m_textServiceSource;
    if (source == m_target)
        return;
    std::swap(source, m_target);
    emit changed();
}

Selections TranslationChoices::selections() const
{
    return {m_engine ? int(*m_engine) : -1,  m_languagePair.value_or(-1), IndexOf(m_textServiceSource),
            IndexOf(m_worldLingoSource),     m_topic.value_or(-1),        IndexOf(m_target)};
}

void TranslationChoices::setSelections(const Selections& selections)
{
    const auto values = [this] {
        return std::tuple(m_engine, m_languagePair, m_textServiceSource, m_worldLingoSource, m_topic, m_target);
    };
    const auto before = values();
    m_engine = EngineAt(selections.TranServer);
    m_languagePair = placeIn(selections.TranOption, kLanguagePairCount);
    m_textServiceSource = LanguageAt(selections.SourceLanguage);
    m_worldLingoSource = LanguageAt(selections.SourceLanguage2);
    m_topic = placeIn(selections.TopicLanguage, int(TopicNames().size()));
    m_target = LanguageAt(selections.TargetLanguage);
    if (values() != before)
        emit changed();
}

} // namespace quillo
