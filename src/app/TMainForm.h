#pragma once
// The main window: the source and result boxes, the language, topic and engine lists, the button
// bar and the two menus; the translate action and the commands behind the buttons and menus.
#include "app/TMainFormControls.h"

#include <QByteArray>
#include <QDate>
#include <QWidget>
#include <functional>
#include <optional>

class QIODevice;
class QComboBox;

namespace quillo {

class BabelFishEngine;
class WorldLingoEngine;
class TranslationEngine;
class WebRequestExchange;
enum class TranslationFailure;
struct TranslationOutcome;

// What the main window takes from its surroundings: the date that decides where it opens, and
// the information file whose text it shows at first.
struct MainFormSurroundings
{
    std::function<QDate()> today;
    QString informationFile;
};

class TMainForm : public QWidget, public TMainFormControls
{
    Q_OBJECT
public:
    explicit TMainForm(QWidget* parent = nullptr);

    // The program's surroundings unless replaced (tests do, before the first showing).
    void setSurroundings(MainFormSurroundings surroundings);

    // The codes of the selected engine's last translation; kept between translations (a list
    // without a selection leaves the code of the previous one).
    QByteArray SourceCode() const;
    QByteArray TargetCode() const;
    QByteArray TopicCode() const;

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

    MainFormSurroundings FSurroundings;
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
