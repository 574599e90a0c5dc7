// The user's translation choices without any window: the settings' places in and out, the swap,
// and the change signal.
#include "session/SettingsStore.h"
#include "session/TranslationChoices.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

using namespace quillo;

namespace {

QList<int> placesOf(const Selections& s)
{
    return {s.TranServer, s.TranOption, s.SourceLanguage, s.SourceLanguage2, s.TopicLanguage, s.TargetLanguage};
}

} // namespace

TEST(TranslationChoices, StoredPlacesComeBackAndPlacesOutsideTheListsSelectNothing)
{
    const struct
    {
        Selections stored;
        QList<int> kept;
    } cases[] = {
        {{1, 5, 3, 4, 20, 12}, {1, 5, 3, 4, 20, 12}},
        {{0, 37, 0, 0, 0, 0}, {0, 37, 0, 0, 0, 0}},
        {{2, 38, 13, -1, 21, 99}, {-1, -1, -1, -1, -1, -1}},
    };
    for (const auto& c : cases) {
        TranslationChoices choices;
        choices.setSelections(c.stored);
        EXPECT_EQ(placesOf(choices.selections()), c.kept);
    }
}

TEST(TranslationChoices, EachEngineKeepsItsSourceAndTheSwapTakesTheChosenOnes)
{
    TranslationChoices choices;
    choices.setSelections({0, 2, int(German), int(French), 0, int(English)});
    EXPECT_EQ(choices.source(), French);
    choices.swapLanguages();
    EXPECT_EQ(choices.sourceOf(EngineId::WorldLingo), English);
    EXPECT_EQ(choices.target(), French);
    EXPECT_EQ(choices.sourceOf(EngineId::TextService), German) << "the other engine's source stays";

    choices.setEngine(std::nullopt);
    EXPECT_EQ(choices.source(), German) << "without an engine, the text service's source";
    choices.swapLanguages();
    EXPECT_EQ(choices.target(), French) << "nothing to swap without an engine";
}

TEST(TranslationChoices, OnlyARealChangeIsSignalled)
{
    TranslationChoices choices;
    QSignalSpy changed(&choices, &TranslationChoices::changed);
    choices.setTarget(English);
    choices.setTarget(English);
    choices.setSource(EngineId::TextService, English);
    choices.swapLanguages(); // engine unset
    choices.setEngine(EngineId::TextService);
    choices.swapLanguages(); // source and target are the same
    choices.setSelections({1, -1, int(English), -1, -1, int(English)}); // what it holds already
    EXPECT_EQ(changed.count(), 3);
    choices.setSelections({1, -1, int(English), -1, 3, int(English)});
    EXPECT_EQ(changed.count(), 4);
}
