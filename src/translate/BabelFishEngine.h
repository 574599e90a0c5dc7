#pragma once
// The text service: one form POST per direct pair; a pair it lacks goes through English in two.
#include "translate/TranslationEngine.h"

namespace quillo {

class BabelFishEngine : public TranslationEngine
{
    Q_OBJECT
public:
    enum class Stage { Idle, Direct, ToEnglish, FromEnglish };

    BabelFishEngine(HttpExchange* exchange, ServiceBase serviceBase, QObject* parent = nullptr);

    void abort() override;
    QByteArray languageCode(int languageIndex) const override;
    Stage stage() const { return m_stage; }

private:
    bool send(const QString& text) override;
    void replied(TranslationFailure failure, const QByteArray& body);

    HttpExchange* m_exchange;
    Stage m_stage = Stage::Idle;
};

} // namespace quillo
