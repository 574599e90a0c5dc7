#pragma once
// WorldLingo: a loader page first, then the text posted to the per-visit address the page names,
// or to the translation page when it names none.
#include "translate/TranslationEngine.h"

namespace quillo {

class WorldLingoEngine : public TranslationEngine
{
    Q_OBJECT
public:
    enum class Stage { Idle, Loading, Translating };

    // loader carries the first stage, translation the second.
    WorldLingoEngine(HttpExchange* loader, HttpExchange* translation, ServiceBase serviceBase,
                     QObject* parent = nullptr);

    void abort() override;
    QByteArray languageCode(int languageIndex) const override;
    Stage stage() const { return m_stage; }

private:
    bool send(const QString& text) override;
    void loaderReplied(TranslationFailure failure, const QByteArray& body);
    void translationReplied(TranslationFailure failure, const QByteArray& body);

    HttpExchange* m_loader;
    HttpExchange* m_translation;
    Stage m_stage = Stage::Idle;
    QString m_text;
    // Where the running (or last) second stage went: its reply is read by that rule.
    bool m_sessionTranslate = false;
};

} // namespace quillo
