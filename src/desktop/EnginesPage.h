#pragma once
// The settings dialog's "翻译引擎" page: the engines the server offers and their state, which of
// them the popup shows and in what order, and the settings of the engines the user adds (language
// models, DeepL, LibreTranslate, MyMemory's contact address, offline only), each with a test that
// translates a sample sentence through the server. Saved into the engines.ini of the server the
// program starts, which is then told to read it again.
#include "apiclient/ApiTypes.h"
#include "apiclient/EnginesIni.h"

#include <QHash>
#include <QWidget>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;

namespace quillo {

class ApiClient;
class TSkinButton;

class EnginesPage : public QWidget
{
    Q_OBJECT
public:
    EnginesPage(ApiClient* api, const QString& iniPath, const QStringList& popupEngines, QWidget* parent = nullptr);

    // The popup's engines in order; empty while the user keeps the default (all, server's order).
    QStringList PopupEngines() const;
    // Writes engines.ini and asks the server to reload it; false, with the reason shown, when the
    // file cannot be written.
    bool Save();
    // The request that has the server read its engines again after Save(); 0 when none was needed.
    int reloadCall() const { return m_reloadCall; }

    static constexpr const char* kSampleText = "Good morning, how are you today?";

    QListWidget* EngineList;
    QLabel* EngineStateLabel;
    QComboBox* LlmSectionBox;
    QLineEdit* LlmUrlEdit;
    QLineEdit* LlmKeyEdit;
    QLineEdit* LlmModelEdit;
    QLineEdit* LlmPromptEdit;
    QLineEdit* DeepLKeyEdit;
    QLineEdit* LibreTranslateUrlEdit;
    QLineEdit* MyMemoryEmailEdit;
    QCheckBox* OfflineBox;
    TSkinButton* LlmTestButton;
    TSkinButton* DeepLTestButton;
    TSkinButton* LibreTranslateTestButton;
    TSkinButton* MyMemoryTestButton;
    QLabel* TestResultLabel;

signals:
    // A test's answer has been shown (for the tests that wait for it).
    void testAnswered(const QString& shown);

private:
    struct LlmFields
    {
        QString url, key, model, prompt;
    };
    QWidget* createSettingsBox();
    void showEngines(const std::vector<EngineInfo>& engines);
    void keepLlmFields();
    void loadLlmFields(const QString& section);
    void test(const QString& section, const QHash<QString, QString>& settings);
    void showTestReply(int status, const QByteArray& body);
    void writeIni(EnginesIni& ini);

    ApiClient* m_api;
    QString m_iniPath;
    EnginesIni m_ini;
    QStringList m_storedPopupEngines;
    QStringList m_serverOrder;
    QHash<QString, LlmFields> m_llm;
    QString m_llmSection;
    int m_listCall = 0;
    int m_testCall = 0;
    int m_reloadCall = 0;
};

} // namespace quillo
