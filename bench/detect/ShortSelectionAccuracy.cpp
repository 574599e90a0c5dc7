// Prints, per language, how many selections of tests/detect/short/<code>.txt the detector assigns
// to that language, and what it took the others for.
#include "core/Languages.h"
#include "detect/LanguageDetect.h"

#include <QFile>
#include <QMap>
#include <QStringList>

#include <cstdio>

using namespace quillo;

int main()
{
    int right = 0;
    int total = 0;
    for (const char* code : {"en", "fr", "de", "es", "it", "nl", "pt"}) {
        QFile file(QStringLiteral(QUILLO_SOURCE_DIR "/tests/detect/short/") + QLatin1String(code) + QStringLiteral(".txt"));
        if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
            std::fprintf(stderr, "cannot read %s\n", qPrintable(file.fileName()));
            return 1;
        }
        const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QMap<QByteArray, int> takenFor;
        for (const QString& line : lines) {
            const int found = DetectLanguage(line);
            ++takenFor[found < 0 ? QByteArray("none") : BabelFishCode(found)];
        }
        const int rightHere = takenFor.value(code);
        QByteArray wrong;
        for (auto it = takenFor.cbegin(); it != takenFor.cend(); ++it) {
            if (it.key() != code)
                wrong += ' ' + it.key() + ':' + QByteArray::number(it.value());
        }
        std::printf("%s %3d/%lld %5.1f%%  taken for%s\n", code, rightHere, static_cast<long long>(lines.size()),
                    100.0 * rightHere / lines.size(), wrong.constData());
        right += rightHere;
        total += static_cast<int>(lines.size());
    }
    std::printf("all %d/%d %.1f%%\n", right, total, 100.0 * right / total);
    return 0;
}
