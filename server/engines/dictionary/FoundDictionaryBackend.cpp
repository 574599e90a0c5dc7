#include "server/engines/dictionary/FoundDictionaryBackend.h"

namespace quillo::server {

namespace {

bool chinese(std::string_view code)
{
    return code == "zh" || code == "zt";
}

// A Chinese dictionary serves both scripts; a language the names did not tell serves none.
bool sameLanguage(std::string_view served, std::string_view asked)
{
    return !served.empty() && (served == asked || (chinese(served) && chinese(asked)));
}

} // namespace

FoundDictionaryBackend::FoundDictionaryBackend(std::string id, std::shared_ptr<const dictformats::Dictionary> dictionary,
                                               dictformats::LookupOptions options)
    : id_(std::move(id)),
      source_(dictionary->info().sourceLanguage.toStdString()),
      target_(dictionary->info().targetLanguage.toStdString()),
      options_(std::move(options)),
      dictionary_(std::move(dictionary))
{
}

bool FoundDictionaryBackend::covers(std::string_view source, std::string_view target) const
{
    return sameLanguage(source_, source) && sameLanguage(target_, target);
}

bool FoundDictionaryBackend::accepts(const TranslationRequest& request) const
{
    return !dictformats::lookupForm(QString::fromStdString(request.text)).isEmpty();
}

BackendResult FoundDictionaryBackend::translate(const TranslationRequest& request)
{
    const auto dictionary = this->dictionary();
    const QString text = QString::fromStdString(request.text).trimmed();
    const auto match = dictionary ? dictformats::lookUp(*dictionary, text, options_) : dictformats::DictionaryMatch{};
    if (match.kind == dictformats::MatchKind::None) {
        BackendResult none(false, {}, "no entry for the text");
        none.tryNext = true;
        none.userMessage = "词典里没有“" + text.toStdString() + "”这一词条。";
        return none;
    }
    return {true, ReadableEntries(dictionary->info().title, match.entries), {}};
}

void FoundDictionaryBackend::retire()
{
    std::lock_guard lock(mutex_);
    dictionary_.reset();
}

std::shared_ptr<const dictformats::Dictionary> FoundDictionaryBackend::dictionary() const
{
    std::lock_guard lock(mutex_);
    return dictionary_;
}

std::string ReadableEntries(const QString& title, const std::vector<dictformats::DictEntry>& entries)
{
    QString text = QStringLiteral("【%1】").arg(title);
    for (const dictformats::DictEntry& entry : entries)
        text += QLatin1Char('\n') + dictformats::renderText(entry);
    return text.toStdString();
}

} // namespace quillo::server
