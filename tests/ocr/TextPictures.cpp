#include "TextPictures.h"

#include <QFontMetrics>
#include <QPainter>
#include <QRegularExpression>

#include <algorithm>
#include <vector>

namespace quillo::test {

const std::vector<TextSample>& TextSamples()
{
    static const std::vector<TextSample> samples = {
        {Simplified, "zh", "Noto Sans CJK SC", {QStringLiteral("今天的天气很好，我们一起去公园散步吧。"), QStringLiteral("这个程序可以把屏幕上的文字翻译成中文。")}},
        {Traditional, "zt", "Noto Sans CJK TC", {QStringLiteral("今天的天氣很好，我們一起去公園散步吧。"), QStringLiteral("這個程式可以把螢幕上的文字翻譯成中文。")}},
        {English, "en", "DejaVu Sans", {QStringLiteral("The quick brown fox jumps over the lazy dog."), QStringLiteral("Translate the text on your screen in one step.")}},
        {Dutch, "nl", "DejaVu Sans", {QStringLiteral("De kat zit op de mat naast het raam."), QStringLiteral("Wij gaan morgen naar de markt in de stad.")}},
        {French, "fr", "DejaVu Sans", {QStringLiteral("Le renard brun saute par-dessus le chien."), QStringLiteral("Où est la bibliothèque près de la gare ?")}},
        {German, "de", "DejaVu Sans", {QStringLiteral("Die Straße führt über die Brücke zum Schloss."), QStringLiteral("Können Sie mir bitte schnell helfen?")}},
        {Greek, "el", "DejaVu Sans", {QStringLiteral("Η γρήγορη καφέ αλεπού πηδά πάνω από τον σκύλο."), QStringLiteral("Καλημέρα, τι κάνετε σήμερα;")}},
        {Italian, "it", "DejaVu Sans", {QStringLiteral("La città è molto bella durante l'estate."), QStringLiteral("Perché non andiamo al mare domani?")}},
        {Japanese, "ja", "Noto Sans CJK JP", {QStringLiteral("今日はとても良い天気ですね。"), QStringLiteral("この本は図書館で借りました。")}},
        {Korean, "ko", "Noto Sans CJK KR", {QStringLiteral("오늘은 날씨가 아주 좋습니다."), QStringLiteral("이 책은 도서관에서 빌렸습니다.")}},
        {Portuguese, "pt", "DejaVu Sans", {QStringLiteral("A informação está disponível na página principal."), QStringLiteral("Não sei onde fica a estação.")}},
        {Russian, "ru", "DejaVu Sans", {QStringLiteral("Съешь же ещё этих мягких французских булок."), QStringLiteral("Сегодня хорошая погода для прогулки.")}},
        {Spanish, "es", "DejaVu Sans", {QStringLiteral("El niño pequeño come una manzana en el jardín."), QStringLiteral("¿Dónde está la estación de tren?")}},
    };
    return samples;
}

QImage DrawText(const QStringList& lines, const QString& family, int pixelSize, Ground ground, bool vertical)
{
    QFont font(family);
    font.setPixelSize(pixelSize);
    const QFontMetrics metrics(font);
    const int margin = pixelSize;
    int width = 0;
    int height = 0;
    // Vertical text advances by about one em, as vertical CJK type is set.
    const int advance = pixelSize * 11 / 10;
    if (vertical) {
        for (const QString& line : lines)
            height = std::max<int>(height, int(line.size()) * advance);
        width = int(lines.size()) * advance * 3 / 2;
    } else {
        for (const QString& line : lines)
            width = std::max(width, metrics.horizontalAdvance(line));
        height = int(lines.size()) * metrics.lineSpacing();
    }
    QImage picture(width + 2 * margin, height + 2 * margin, QImage::Format_RGB32);
    picture.fill(ground == Ground::Light ? QColor(0xfa, 0xfa, 0xfa) : QColor(0x1e, 0x1f, 0x22));
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setFont(font);
    painter.setPen(ground == Ground::Light ? QColor(0x20, 0x20, 0x20) : QColor(0xe6, 0xe6, 0xe6));
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (vertical) {
            // Columns run right to left; each character centred in its cell.
            const int left = picture.width() - margin - int(i + 1) * advance * 3 / 2;
            for (qsizetype c = 0; c < lines[i].size(); ++c)
                painter.drawText(QRect(left, margin + int(c) * advance, advance * 3 / 2, advance),
                                 Qt::AlignCenter, lines[i].mid(c, 1));
        } else {
            painter.drawText(margin, margin + int(i) * metrics.lineSpacing() + metrics.ascent(), lines[i]);
        }
    }
    return picture;
}

namespace {

std::u32string normalised(const QString& text, bool withoutSpaces)
{
    QString flat = text.simplified();
    if (withoutSpaces)
        flat.remove(QLatin1Char(' '));
    return flat.toStdU32String();
}

} // namespace

double CharacterErrorRate(const QString& expected, const QString& read, bool withoutSpaces)
{
    const std::u32string a = normalised(expected, withoutSpaces);
    const std::u32string b = normalised(read, withoutSpaces);
    std::vector<size_t> previous(b.size() + 1), current(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j)
        previous[j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        current[0] = i;
        for (size_t j = 1; j <= b.size(); ++j)
            current[j] = std::min({previous[j] + 1, current[j - 1] + 1, previous[j - 1] + (a[i - 1] != b[j - 1])});
        std::swap(previous, current);
    }
    return a.empty() ? double(!b.empty()) : double(previous[b.size()]) / double(a.size());
}

} // namespace quillo::test
