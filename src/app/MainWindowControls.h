#pragma once
// The main window's controls and components, under the names other code and the tests know them
// by. MainWindow inherits them, so that the window class itself holds behaviour; its
// MainWindowControls.cpp builds them.
#include <array>

class QAction;
class QListView;

namespace quillo {

class TCompressedStoredSkin;
class TSkinButton;
class TSkinData;
class TSkinForm;
class TSkinComboBox;
class TSkinLabel;
class TSkinMemo;
class TSkinMessage;
class TSkinPanel;
class TSkinPopupMenu;
class TWebRequest;

struct MainWindowControls
{
    // Controls, outermost first.
    TSkinPanel* leftMargin = nullptr;
    TSkinPanel* rightMargin = nullptr;
    TSkinPanel* buttonBar = nullptr;
    TSkinPanel* workArea = nullptr;
    TSkinPanel* topSpacer = nullptr;
    TSkinPanel* sourceBand = nullptr;
    TSkinLabel* sourceHeading = nullptr;
    TSkinPanel* sourceLanguagePanel = nullptr;
    TSkinLabel* sourceLanguageLabel = nullptr;
    TSkinComboBox* textServiceSourceList = nullptr;
    TSkinComboBox* languagePairList = nullptr;
    TSkinComboBox* worldLingoSourceList = nullptr;
    TSkinPanel* enginePanel = nullptr;
    TSkinLabel* engineLabel = nullptr;
    TSkinComboBox* engineList = nullptr;
    TSkinPanel* sourcePanel = nullptr;
    TSkinMemo* sourceText = nullptr;
    // The source text's length against its limit, and the notice of a paste that was cut.
    TSkinLabel* sourceCount = nullptr;
    TSkinPanel* resultBand = nullptr;
    TSkinLabel* resultHeading = nullptr;
    TSkinPanel* targetLanguagePanel = nullptr;
    TSkinLabel* targetLanguageLabel = nullptr;
    TSkinComboBox* targetList = nullptr;
    TSkinPanel* topicPanel = nullptr;
    TSkinLabel* topicLabel = nullptr;
    TSkinComboBox* topicList = nullptr;
    TSkinPanel* resultPanel = nullptr;
    TSkinMemo* resultText = nullptr;
    QListView* simplifiedTable = nullptr;
    QListView* traditionalTable = nullptr;
    TSkinButton* clearButton = nullptr;
    TSkinButton* copyButton = nullptr;
    TSkinButton* updateButton = nullptr;
    TSkinButton* helpButton = nullptr;
    TSkinButton* contactButton = nullptr;
    TSkinButton* webPageButton = nullptr;
    TSkinPanel* translatePanel = nullptr;
    TSkinButton* translateButton = nullptr;

    TSkinMessage* messageBox = nullptr;

    // The translate action's requests: translationRequest every first request, stageTwoRequest the
    // WorldLingo second stage. spareRequest is set up like them but never started.
    TWebRequest* spareRequest = nullptr;
    TWebRequest* translationRequest = nullptr;
    TWebRequest* stageTwoRequest = nullptr;

    // The skin every window draws from, the three built-in skins, and the main window's frame
    // (null where the desktop draws the frame).
    TSkinData* skinData = nullptr;
    std::array<TCompressedStoredSkin*, 3> builtinSkins{};
    TSkinForm* skinFrame = nullptr;

    TSkinPopupMenu* contextMenu = nullptr;
    std::array<QAction*, 3> contextSkinItems{};
    QAction* contextUpdateItem = nullptr;
    QAction* contextFeedbackItem = nullptr;
    QAction* contextWebSiteItem = nullptr;

    TSkinPopupMenu* windowMenu = nullptr;
    std::array<QAction*, 3> windowSkinItems{};
    QAction* windowFeedbackItem = nullptr;
    QAction* windowWebSiteItem = nullptr;
    QAction* windowVocabularyItem = nullptr; // opened by the translation-anywhere session
};

} // namespace quillo
