#include "server/engines/dictionary/Dictionary.h"

namespace quillo::dictformats {

Dictionary::Dictionary(DictionaryInfo info, std::unique_ptr<HeadwordIndex> index,
                       std::unique_ptr<ArticleFile> articles, ArticleReader reader, QString articleTypes)
    : info_(std::move(info)), index_(std::move(index)), articles_(std::move(articles)), reader_(reader),
      articleTypes_(std::move(articleTypes))
{
}

std::optional<DictEntry> Dictionary::entry(const IndexedHeadword& headword) const
{
    const auto article = articles_->read(headword.offset, headword.size);
    if (!article)
        return std::nullopt;
    return reader_(*article, headword.headword, articleTypes_);
}

} // namespace quillo::dictformats
