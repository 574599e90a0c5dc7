#include "desktop/EnginesPage.h"

#include "apiclient/ApiClient.h"
#include "ui/SkinControls.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRegularExpression>
#include <QVBoxLayout>

namespace quillo {

namespace {

bool isLlmSection(const QString& section)
{
    static const QRegularExpression name(QStringLiteral("^llm(\\.[a-z0-9_-]+)?$"));
    return name.match(section).hasMatch();
}

QString engineLine(const EngineInfo& engine)
{
    const QString where = engine.online ? QStringLiteral("联网") : QStringLiteral("本机");
    return QStringLiteral("%1（%2）  %3，可用").arg(engine.name, engine.id, where);
}

QListWidgetItem* checkableItem(const QString& id, const QString& text, bool checked, QListWidget* list)
{
    auto* item = new QListWidgetItem(text, list);
    item->setData(Qt::UserRole, id);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable | Qt::ItemIsDragEnabled);
    item->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
    return item;
}

} // namespace

EnginesPage::EnginesPage(ApiClient* api, const QString& iniPath, const QStringList& popupEngines, QWidget* parent)
    : QWidget(parent)
    , EngineList(new QListWidget(this))
    , EngineStateLabel(new QLabel(QStringLiteral("正在读取服务器的翻译引擎……"), this))
    , TestResultLabel(new QLabel(this))
    , m_api(api)
    , m_iniPath(iniPath)
    , m_ini(EnginesIni::read(iniPath))
    , m_storedPopupEngines(popupEngines)
{
    setObjectName(QStringLiteral("EnginesPage"));
    EngineList->setObjectName(QStringLiteral("EngineList"));
    EngineList->setDragDropMode(QAbstractItemView::InternalMove);
    EngineList->setToolTip(QStringLiteral("勾选弹出窗口显示的引擎，拖动调整顺序"));
    for (const QString& id : m_storedPopupEngines)
        checkableItem(id, id, true, EngineList);
    TestResultLabel->setObjectName(QStringLiteral("TestResultLabel"));
    TestResultLabel->setWordWrap(true);
    TestResultLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* column = new QVBoxLayout(this);
    column->addWidget(new QLabel(QStringLiteral("服务器的翻译引擎（勾选的显示在弹出窗口中）："), this));
    column->addWidget(EngineList, 1);
    column->addWidget(EngineStateLabel);
    column->addWidget(createSettingsBox());
    column->addWidget(TestResultLabel);

    connect(m_api, &ApiClient::enginesListed, this, [this](int call, const std::vector<EngineInfo>& engines) {
        if (call == m_listCall)
            showEngines(engines);
    });
    connect(m_api, &ApiClient::failed, this, [this](int call, const ApiFailure& failure) {
        if (call == m_listCall)
            EngineStateLabel->setText(failure.kind == ApiFailure::NoApi
                                          ? QStringLiteral("此服务器不提供引擎列表（没有 /api/v1），请更新 quillo-server。")
                                          : QStringLiteral("无法读取服务器的翻译引擎。"));
        else if (call == m_testCall)
            showTestReply(0, QJsonDocument(QJsonObject{{QStringLiteral("error"), QStringLiteral("连接翻译服务器失败。")}}).toJson());
    });
    connect(m_api, &ApiClient::replied, this, [this](int call, int status, const QByteArray& body) {
        if (call == m_testCall)
            showTestReply(status, body);
    });
    m_listCall = m_api->listEngines();
}

QWidget* EnginesPage::createSettingsBox()
{
    auto* box = new QGroupBox(QStringLiteral("添加翻译引擎"), this);
    const auto line = [box](const char* name, const QString& text, bool secret = false) {
        auto* edit = new QLineEdit(text, box);
        edit->setObjectName(QLatin1String(name));
        if (secret)
            edit->setEchoMode(QLineEdit::PasswordEchoOnEdit);
        return edit;
    };
    const auto testButton = [box](const char* name) {
        auto* button = new TSkinButton(QLatin1String(name), QStringLiteral("测试"), box);
        button->setFixedSize(52, 23);
        return button;
    };
    LlmSectionBox = new QComboBox(box);
    LlmSectionBox->setObjectName(QStringLiteral("LlmSectionBox"));
    LlmSectionBox->setEditable(true);
    LlmSectionBox->setToolTip(QStringLiteral("llm 或 llm.名称：每个名称是一个引擎"));
    QStringList sections = m_ini.sections(QStringLiteral("llm"));
    if (sections.isEmpty())
        sections.append(QStringLiteral("llm"));
    for (const QString& section : sections)
        m_llm.insert(section, {m_ini.value(section, QStringLiteral("url")), m_ini.value(section, QStringLiteral("key")),
                               m_ini.value(section, QStringLiteral("model")), m_ini.value(section, QStringLiteral("prompt"))});
    LlmSectionBox->addItems(sections);
    LlmUrlEdit = line("LlmUrlEdit", {});
    LlmUrlEdit->setPlaceholderText(QStringLiteral("http://127.0.0.1:11434/v1"));
    LlmKeyEdit = line("LlmKeyEdit", {}, true);
    LlmModelEdit = line("LlmModelEdit", {});
    LlmPromptEdit = line("LlmPromptEdit", {});
    LlmPromptEdit->setPlaceholderText(QStringLiteral("可用 {source} {target} {text}"));
    DeepLKeyEdit = line("DeepLKeyEdit", m_ini.value(QStringLiteral("deepl"), QStringLiteral("key")), true);
    LibreTranslateUrlEdit = line("LibreTranslateUrlEdit", m_ini.value(QStringLiteral("libretranslate"), QStringLiteral("url")));
    MyMemoryEmailEdit = line("MyMemoryEmailEdit", m_ini.value(QStringLiteral("mymemory"), QStringLiteral("email")));
    OfflineBox = new QCheckBox(QStringLiteral("只用离线引擎"), box);
    OfflineBox->setObjectName(QStringLiteral("OfflineBox"));
    OfflineBox->setChecked(m_ini.value(QStringLiteral("general"), QStringLiteral("offline")).toLower() == QLatin1String("true"));
    LlmTestButton = testButton("LlmTestButton");
    DeepLTestButton = testButton("DeepLTestButton");
    LibreTranslateTestButton = testButton("LibreTranslateTestButton");
    MyMemoryTestButton = testButton("MyMemoryTestButton");
    m_llmSection = sections.first();
    loadLlmFields(m_llmSection);

    const auto withTest = [](QLineEdit* edit, TSkinButton* button) {
        auto* row = new QHBoxLayout;
        row->addWidget(edit, 1);
        if (button)
            row->addWidget(button);
        return row;
    };
    auto* form = new QFormLayout(box);
    form->addRow(QStringLiteral("大模型："), LlmSectionBox);
    form->addRow(QStringLiteral("  地址："), withTest(LlmUrlEdit, LlmTestButton));
    form->addRow(QStringLiteral("  密钥："), LlmKeyEdit);
    form->addRow(QStringLiteral("  模型："), LlmModelEdit);
    form->addRow(QStringLiteral("  提示词："), LlmPromptEdit);
    form->addRow(QStringLiteral("DeepL 密钥："), withTest(DeepLKeyEdit, DeepLTestButton));
    form->addRow(QStringLiteral("LibreTranslate："), withTest(LibreTranslateUrlEdit, LibreTranslateTestButton));
    form->addRow(QStringLiteral("MyMemory 邮箱："), withTest(MyMemoryEmailEdit, MyMemoryTestButton));
    form->addRow(OfflineBox);

    connect(LlmSectionBox, &QComboBox::currentTextChanged, this, [this](const QString& section) {
        keepLlmFields();
        m_llmSection = section.trimmed().toLower();
        loadLlmFields(m_llmSection);
    });
    connect(LlmTestButton, &QPushButton::clicked, this, [this] {
        test(m_llmSection, {{QStringLiteral("url"), LlmUrlEdit->text()}, {QStringLiteral("key"), LlmKeyEdit->text()},
                            {QStringLiteral("model"), LlmModelEdit->text()}, {QStringLiteral("prompt"), LlmPromptEdit->text()}});
    });
    connect(DeepLTestButton, &QPushButton::clicked, this,
            [this] { test(QStringLiteral("deepl"), {{QStringLiteral("key"), DeepLKeyEdit->text()}}); });
    connect(LibreTranslateTestButton, &QPushButton::clicked, this,
            [this] { test(QStringLiteral("libretranslate"), {{QStringLiteral("url"), LibreTranslateUrlEdit->text()}}); });
    connect(MyMemoryTestButton, &QPushButton::clicked, this,
            [this] { test(QStringLiteral("mymemory"), {{QStringLiteral("email"), MyMemoryEmailEdit->text()}}); });
    return box;
}

void EnginesPage::keepLlmFields()
{
    if (!m_llmSection.isEmpty())
        m_llm.insert(m_llmSection, {LlmUrlEdit->text(), LlmKeyEdit->text(), LlmModelEdit->text(), LlmPromptEdit->text()});
}

void EnginesPage::loadLlmFields(const QString& section)
{
    const LlmFields fields = m_llm.value(section);
    LlmUrlEdit->setText(fields.url);
    LlmKeyEdit->setText(fields.key);
    LlmModelEdit->setText(fields.model);
    LlmPromptEdit->setText(fields.prompt);
}

void EnginesPage::showEngines(const std::vector<EngineInfo>& engines)
{
    EngineList->clear();
    m_serverOrder.clear();
    for (const EngineInfo& engine : engines)
        m_serverOrder.append(engine.id);
    // The popup's own order first, then the engines it does not show.
    const auto lineOf = [&](const QString& id) -> const EngineInfo* {
        for (const EngineInfo& engine : engines)
            if (engine.id == id)
                return &engine;
        return nullptr;
    };
    for (const QString& id : m_storedPopupEngines)
        if (const EngineInfo* engine = lineOf(id))
            checkableItem(id, engineLine(*engine), true, EngineList);
    for (const EngineInfo& engine : engines)
        if (!m_storedPopupEngines.contains(engine.id))
            checkableItem(engine.id, engineLine(engine), m_storedPopupEngines.isEmpty(), EngineList);
    EngineStateLabel->setText(engines.empty() ? QStringLiteral("服务器上没有可用的翻译引擎。")
                                              : QStringLiteral("共 %1 个可用的翻译引擎。").arg(engines.size()));
}

QStringList EnginesPage::PopupEngines() const
{
    if (m_serverOrder.isEmpty())
        return m_storedPopupEngines;
    QStringList checked;
    for (int row = 0; row < EngineList->count(); ++row)
        if (EngineList->item(row)->checkState() == Qt::Checked)
            checked.append(EngineList->item(row)->data(Qt::UserRole).toString());
    // Left as it came, the popup keeps following the server: engines added later show up too.
    return checked == m_serverOrder ? QStringList() : checked;
}

void EnginesPage::test(const QString& section, const QHash<QString, QString>& settings)
{
    QJsonObject values;
    for (auto it = settings.begin(); it != settings.end(); ++it)
        values.insert(it.key(), it.value().trimmed());
    // The server names the engine to build by its section; the sample is English.
    const QJsonObject body{{QStringLiteral("engine"), section},
                           {QStringLiteral("settings"), values},
                           {QStringLiteral("text"), QString::fromLatin1(kSampleText)},
                           {QStringLiteral("source"), QStringLiteral("en")},
                           {QStringLiteral("target"), QStringLiteral("zh-Hans")}};
    m_api->cancel(m_testCall);
    TestResultLabel->setStyleSheet(QString());
    TestResultLabel->setText(QStringLiteral("测试中……"));
    m_testCall = m_api->post(QStringLiteral("engines/test"), QJsonDocument(body).toJson(QJsonDocument::Compact));
}

void EnginesPage::showTestReply(int status, const QByteArray& body)
{
    m_testCall = 0;
    const QJsonObject answer = QJsonDocument::fromJson(body).object();
    const bool passed = status == 200 && answer.value(QStringLiteral("text")).isString();
    QString shown;
    if (passed)
        shown = QStringLiteral("测试成功：") + answer.value(QStringLiteral("text")).toString();
    else if (status == 404)
        shown = QStringLiteral("测试失败：此服务器不能测试引擎，请更新 quillo-server。");
    else
        shown = QStringLiteral("测试失败：") + (answer.value(QStringLiteral("error")).toString().isEmpty()
                                                     ? QStringLiteral("服务器没有回答（HTTP %1）。").arg(status)
                                                     : answer.value(QStringLiteral("error")).toString());
    TestResultLabel->setStyleSheet(passed ? QString() : QStringLiteral("color: #b00020;"));
    TestResultLabel->setText(shown);
    emit testAnswered(shown);
}

void EnginesPage::writeIni(EnginesIni& ini)
{
    keepLlmFields();
    for (auto it = m_llm.begin(); it != m_llm.end(); ++it) {
        const LlmFields& fields = it.value();
        const bool known = ini.sections(QStringLiteral("llm")).contains(it.key());
        if (!isLlmSection(it.key()) || (!known && fields.url.trimmed().isEmpty()))
            continue;
        ini.set(it.key(), QStringLiteral("url"), fields.url);
        ini.set(it.key(), QStringLiteral("key"), fields.key);
        ini.set(it.key(), QStringLiteral("model"), fields.model);
        ini.set(it.key(), QStringLiteral("prompt"), fields.prompt);
    }
    ini.set(QStringLiteral("deepl"), QStringLiteral("key"), DeepLKeyEdit->text());
    ini.set(QStringLiteral("libretranslate"), QStringLiteral("url"), LibreTranslateUrlEdit->text());
    ini.set(QStringLiteral("mymemory"), QStringLiteral("email"), MyMemoryEmailEdit->text());
    ini.set(QStringLiteral("general"), QStringLiteral("offline"), OfflineBox->isChecked() ? QStringLiteral("true") : QString());
}

bool EnginesPage::Save()
{
    EnginesIni ini = m_ini;
    writeIni(ini);
    if (ini.lines() == m_ini.lines())
        return true;
    if (!ini.write(m_iniPath)) {
        TestResultLabel->setStyleSheet(QStringLiteral("color: #b00020;"));
        TestResultLabel->setText(QStringLiteral("无法写入 %1").arg(m_iniPath));
        return false;
    }
    m_ini = ini;
    // The server reads its engines again; no restart of the program or the server.
    m_reloadCall = m_api->post(QStringLiteral("engines/reload"), QByteArrayLiteral("{}"));
    return true;
}

} // namespace quillo
