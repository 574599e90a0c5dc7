#pragma once
// The main window's controls and components, under the names other code and the tests know them
// by. TMainForm inherits them, so that the window class itself holds behaviour; its
// TMainFormControls.cpp builds them.
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

struct TMainFormControls
{
    // Controls, outermost first.
    TSkinPanel* SkinPanel2 = nullptr;
    TSkinPanel* SkinPanel1 = nullptr;
    TSkinPanel* SkinPanel4 = nullptr;
    TSkinPanel* SkinPanel5 = nullptr;
    TSkinPanel* SkinPanel3 = nullptr;
    TSkinPanel* SkinPanel6 = nullptr;
    TSkinLabel* Label1 = nullptr;
    TSkinPanel* SkinPanel9 = nullptr;
    TSkinLabel* SrcLangLabel = nullptr;
    TSkinComboBox* SourceLanguage = nullptr;
    TSkinComboBox* SecondTranOption = nullptr;
    TSkinComboBox* SourceLanguage2 = nullptr;
    TSkinPanel* SkinPanel11 = nullptr;
    TSkinLabel* Label6 = nullptr;
    TSkinComboBox* TranslationServer = nullptr;
    TSkinPanel* Panel1 = nullptr;
    TSkinMemo* Memo1 = nullptr;
    TSkinPanel* SkinPanel7 = nullptr;
    TSkinLabel* Label2 = nullptr;
    TSkinPanel* SkinPanel8 = nullptr;
    TSkinLabel* TargetLabel = nullptr;
    TSkinComboBox* TargetLanguage = nullptr;
    TSkinPanel* SkinPanel12 = nullptr;
    TSkinLabel* TopicLabel = nullptr;
    TSkinComboBox* TopicLanguage = nullptr;
    TSkinPanel* Panel2 = nullptr;
    TSkinMemo* Memo2 = nullptr;
    QListView* ListBox1 = nullptr;
    QListView* ListBox2 = nullptr;
    TSkinButton* SkinButton2 = nullptr;
    TSkinButton* SkinButton3 = nullptr;
    TSkinButton* SkinButton5 = nullptr;
    TSkinButton* SkinButton6 = nullptr;
    TSkinButton* SkinButton8 = nullptr;
    TSkinButton* SkinButton7 = nullptr;
    TSkinPanel* SkinPanel10 = nullptr;
    TSkinButton* SkinButton1 = nullptr;

    TSkinMessage* SkinMessage1 = nullptr;

    // The translate action's requests: WebRequest1 every first request, WebRequest2 the
    // WorldLingo second stage. WebRequest0 is set up like them but never started.
    TWebRequest* WebRequest0 = nullptr;
    TWebRequest* WebRequest1 = nullptr;
    TWebRequest* WebRequest2 = nullptr;

    // The skin every window draws from, the three built-in skins, and the main window's frame
    // (null where the desktop draws the frame).
    TSkinData* SkinData1 = nullptr;
    TCompressedStoredSkin* CompressedStoredSkin1 = nullptr;
    TCompressedStoredSkin* CompressedStoredSkin2 = nullptr;
    TCompressedStoredSkin* CompressedStoredSkin3 = nullptr;
    TSkinForm* SkinForm1 = nullptr;

    TSkinPopupMenu* SkinPopupMenu1 = nullptr;
    QAction* MenuItem2 = nullptr;
    QAction* MenuItem3 = nullptr;
    QAction* MenuItem4 = nullptr;
    QAction* MenuItem5 = nullptr;
    QAction* MenuItem6 = nullptr;
    QAction* MenuItem7 = nullptr;
    QAction* MenuItem8 = nullptr;
    QAction* MenuItem9 = nullptr;
    QAction* MenuItem12 = nullptr;

    TSkinPopupMenu* SkinPopupMenu2 = nullptr;
    QAction* N10 = nullptr;
    QAction* N1 = nullptr;
    QAction* N2 = nullptr;
    QAction* N3 = nullptr;
    QAction* N13 = nullptr;
    QAction* N5 = nullptr;
    QAction* N6 = nullptr;
    QAction* N9 = nullptr;
    QAction* N11 = nullptr;
};

} // namespace quillo
