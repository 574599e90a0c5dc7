#pragma once
// One Tesseract engine, started for a set of languages on first use and kept for the next
// picture in the same languages: starting it reads tens of megabytes of models, reading a line
// afterwards takes a fraction of that. Not for sharing between threads; OcrWorker owns one on
// its own thread.
#include "core/Languages.h"
#include "ocr/OcrError.h"

#include <QImage>
#include <QString>

#include <variant>
#include <vector>

extern "C" {
struct TessBaseAPI;
}

namespace quillo {

struct TesseractApi;

class OcrEngine {
public:
    OcrEngine();
    ~OcrEngine();
    OcrEngine(const OcrEngine&) = delete;
    OcrEngine& operator=(const OcrEngine&) = delete;

    // The text of `picture` joined the way its language writes; a picture taller than wide is
    // read in columns by the vertical models where one of `languages` writes in columns.
    std::variant<QString, OcrError> Read(const QImage& picture, const std::vector<Language>& languages);

    // Starts the engine for `languages` now, so that the first picture does not wait for it.
    std::variant<bool, OcrError> Warm(const std::vector<Language>& languages, bool vertical = false);

private:
    std::variant<bool, OcrError> startFor(const QString& models);

    const TesseractApi* m_api = nullptr;
    TessBaseAPI* m_handle = nullptr;
    QString m_models; // what m_handle was started with
    QString m_dataFolder;
};

// Reads text in columns: the picture is taller than wide and a language has a vertical model.
bool ReadsInColumns(const QImage& picture, const std::vector<Language>& languages);

} // namespace quillo
