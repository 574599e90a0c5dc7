#pragma once
// The main window: the source and result boxes, the language, topic and engine lists, the button
// bar and the two menus; the translate action and the commands behind the buttons and menus.
#include <QByteArray>
#include <QDate>
#include <QWidget>
#include <functional>
#include <optional>

class QAction;
class QIODevice;
class QSettings;
class QComboBox;
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
class BabelFishEngine;
class WorldLingoEngine;
class TranslationEngine;
class WebRequestExchange;
enum class TranslationFailure;
struct TranslationOutcome;

class TMainForm : public QWidget
{
    Q_OBJECT
public:
    explicit TMainForm(QWidget* parent = nullptr);

    // What the window takes from its surroundings; tests replace them before the first showing.
    std::function<QDate()> Today = [] { return QDate::currentDate(); };
    QString InformationFile;

    // The codes of the selected engine's last translation; kept between translations (a list
    // without a selection leaves the code of the previous one).
    QByteArray SourceCode() const;
    QByteArray TargetCode() const;
    QByteArray TopicCode() const;

    // Controls, outermost first.
    TSkinPanel* SkinPanel2;
    TSkinPanel* SkinPanel1;
    TSkinPanel* SkinPanel4;
    TSkinPanel* SkinPanel5;
    TSkinPanel* SkinPanel3;
    TSkinPanel* SkinPanel6;
    TSkinLabel* Label1;
    TSkinPanel* SkinPanel9;
    TSkinLabel* SrcLangLabel;
    TSkinComboBox* SourceLanguage;
    TSkinComboBox* SecondTranOption;
    TSkinComboBox* SourceLanguage2;
    TSkinPanel* SkinPanel11;
    TSkinLabel* Label6;
    TSkinComboBox* TranslationServer;
    TSkinPanel* Panel1;
    TSkinMemo* Memo1;
    TSkinPanel* SkinPanel7;
    TSkinLabel* Label2;
    TSkinPanel* SkinPanel8;
    TSkinLabel* TargetLabel;
    TSkinComboBox* TargetLanguage;
    TSkinPanel* SkinPanel12;
    TSkinLabel* TopicLabel;
    TSkinComboBox* TopicLanguage;
    TSkinPanel* Panel2;
    TSkinMemo* Memo2;
    QListView* ListBox1;
    QListView* ListBox2;
    TSkinButton* SkinButton2;
    TSkinButton* SkinButton3;
    TSkinButton* SkinButton5;
    TSkinButton* SkinButton6;
    TSkinButton* SkinButton8;
    TSkinButton* SkinButton7;
    TSkinPanel* SkinPanel10;
    TSkinButton* SkinButton1;

    TSkinMessage* SkinMessage1;

    // The translate action's requests: WebRequest1 every first request, WebRequest2 the
    // WorldLingo second stage. WebRequest0 is set up like them but never started.
    TWebRequest* WebRequest0;
    TWebRequest* WebRequest1;
    TWebRequest* WebRequest2;

    // The skin every window draws from, the three built-in skins, and the main window's frame
    // (null where the desktop draws the frame).
    TSkinData* SkinData1;
    TCompressedStoredSkin* CompressedStoredSkin1;
    TCompressedStoredSkin* CompressedStoredSkin2;
    TCompressedStoredSkin* CompressedStoredSkin3;
    TSkinForm* SkinForm1;

    TSkinPopupMenu* SkinPopupMenu1;
    QAction* MenuItem2;
    QAction* MenuItem3;
    QAction* MenuItem4;
    QAction* MenuItem5;
    QAction* MenuItem6;
    QAction* MenuItem7;
    QAction* MenuItem8;
    QAction* MenuItem9;
    QAction* MenuItem12;

    TSkinPopupMenu* SkinPopupMenu2;
    QAction* N10;
    QAction* N1;
    QAction* N2;
    QAction* N3;
    QAction* N13;
    QAction* N5;
    QAction* N6;
    QAction* N9;
    QAction* N11;

    // Window events.
    void FormCreate();
    void FormShow();
    void FormClose();
    void FormResize();

    // The translate action and the lists.
    void SkinButton1Click(QObject* sender);
    void Memo1KeyDown(int key, Qt::KeyboardModifiers shift);
    void Memo1KeyPress(QChar& key);
    void TranslationServerChange();
    void SourceLanguageCloseUp();
    void TargetLanguageCloseUp();
    void TopicLanguageCloseUp();

    // The requests' events.
    void WebRequest1Done(QObject* sender, const QString& contentType, qint64 fileSize, QIODevice* stream);
    void WebRequest2Done(QObject* sender, const QString& contentType, qint64 fileSize, QIODevice* stream);
    void WebRequest1ConnLost(QObject* sender, const QString& contentType, qint64 fileSize, qint64 bytesRead,
                             QIODevice* stream);
    void WebRequest1HTTPError(QObject* sender, qint32 errorCode, QIODevice* stream);
    void WebRequest1WaitTimeoutExpired(QObject* sender);
    void WebRequest1HostUnreachable(QObject* sender);

    // Whether the selected pair goes to the text service through English.
    bool NeedsEnglishPivot() const;

    // Commands.
    void SkinButton2Click();
    void SkinButton3Click();
    void SkinButton5Click();
    void SkinButton6Click();
    void SkinButton7Click();
    void SrcLangLabelClick();
    void N1Click(QAction* sender);
    void N5Click();
    void N9Click();
    void N12Click();

signals:
    // A translation reached the result box (not a failure's text).
    void translationShown(const QString& source, const QString& result);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void CreateControls();
    void CreateHeaderBands();
    void CreateTextAreas();
    void CreateButtonBar();
    void CreateMenus();
    void CreateSkins();
    void SelectStoredSkin(int face);
    void MarkSkinInUse(int face);
    // Built-in skin number face (1 to 3); null for any other number.
    TCompressedStoredSkin* storedSkin(int face) const;
    void ConnectHandlers();
    void LayOutControls();
    void LayOutButtonBar(int barWidth);
    void UpdateMinimumSize();

    void ReadSettings();
    void PlaceWindow();
    void CentreOnScreen();
    void RestorePlacement();
    void WriteSettings();

    // The frame both engines share; each engine supplies its language test and its codes.
    void TranslateWorldLingo();
    void TranslateBabelFish();
    void Translate(TranslationEngine& engine, const QComboBox& sourceList, bool sameLanguages,
                   const QByteArray& topicCode);
    bool CheckSourceText();
    bool CheckLanguagesDiffer(bool same);
    void EnterBusy();
    void EndBusy();
    void CreateWebRequests();
    TranslationEngine* SelectedEngine() const;
    // The exchange that hears a component's completion; null with no engine selected.
    WebRequestExchange* ExchangeOf(QObject* sender) const;
    void RequestDone(QObject* sender, QIODevice* stream);
    void RequestFailed(QObject* sender, TranslationFailure failure);
    void TranslationFinished(const TranslationOutcome& outcome);
    void ShowError(const QString& text);

    template <typename Window>
    void RunSideWindow(Window* window, bool resetScreenCursor);

    // The engines and the exchanges they send through: the text service and the WorldLingo
    // loader both on WebRequest1, the WorldLingo second stage on WebRequest2.
    BabelFishEngine* FBabelFish = nullptr;
    WorldLingoEngine* FWorldLingo = nullptr;
    WebRequestExchange* FTextServiceRequest = nullptr;
    WebRequestExchange* FLoaderRequest = nullptr;
    WebRequestExchange* FStageTwoRequest = nullptr;

    bool FSwallowKey = false;
    int FPanel1Height = 0;
    // Where the window opened (outer top-left, client size); none before it was first shown.
    std::optional<QRect> FOpenedPlacement;
};

} // namespace quillo
