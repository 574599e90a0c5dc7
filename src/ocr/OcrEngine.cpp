#include "ocr/OcrEngine.h"

#include "ocr/OcrLanguages.h"
#include "ocr/PicturePreparation.h"
#include "ocr/TesseractApi.h"
#include "ocr/TextJoining.h"

#include <algorithm>
#include <memory>

namespace quillo {

namespace {

// Tesseract's noise filters are tuned in points; a screen picture enlarged to the line size the
// models read best looks like a page scanned at about this resolution.
constexpr int kAssumedResolution = 300;

} // namespace

bool ReadsInColumns(const QImage& picture, const std::vector<Language>& languages)
{
    return picture.height() > picture.width() && std::any_of(languages.begin(), languages.end(), WritesInColumns);
}

OcrEngine::OcrEngine() : m_dataFolder(OcrDataFolder()) {}

OcrEngine::~OcrEngine()
{
    if (m_handle)
        m_api->Delete(m_handle);
}

std::variant<bool, OcrError> OcrEngine::startFor(const QString& models)
{
    if (m_handle && models == m_models)
        return true;
    if (!m_api) {
        // One core per reading: Tesseract's OpenMP threads only compete with the program's own.
        if (qEnvironmentVariableIsEmpty("OMP_THREAD_LIMIT"))
            qputenv("OMP_THREAD_LIMIT", "1");
        m_api = Tesseract();
        if (!m_api)
            return OcrError{OcrError::MissingEngine,
                            QStringLiteral("Text recognition needs libtesseract; install the Debian package "
                                           "libtesseract5 (%1)")
                                .arg(TesseractUnavailableReason())};
        m_handle = m_api->Create();
    }
    m_models.clear();
    const QByteArray folder = m_dataFolder.toLocal8Bit();
    if (m_api->Init3(m_handle, folder.constData(), models.toLatin1().constData()) != 0)
        return OcrError{OcrError::EngineFailure,
                        QStringLiteral("Tesseract could not start with %1 from %2").arg(models, m_dataFolder)};
    m_models = models;
    return true;
}

std::variant<bool, OcrError> OcrEngine::Warm(const std::vector<Language>& languages, bool vertical)
{
    const auto models = OcrModelSet(languages, vertical, m_dataFolder);
    if (const OcrError* error = std::get_if<OcrError>(&models))
        return *error;
    return startFor(std::get<QString>(models));
}

std::variant<QString, OcrError> OcrEngine::Read(const QImage& picture, const std::vector<Language>& languages)
{
    if (picture.isNull() || picture.width() < 2 || picture.height() < 2)
        return OcrError{OcrError::UnreadableImage, QStringLiteral("The picture is empty")};
    const bool vertical = ReadsInColumns(picture, languages);
    const auto started = Warm(languages, vertical);
    if (const OcrError* error = std::get_if<OcrError>(&started))
        return *error;

    const PreparedPicture prepared = PreparePicture(picture, vertical);
    // A dragged rectangle holds one column of text: the automatic page layout, tried first,
    // dropped whole lines of large Korean text as pictures.
    m_api->SetPageSegMode(m_handle, vertical ? kSegmentVerticalBlock : kSegmentColumn);
    m_api->SetImage(m_handle, prepared.grey.constBits(), prepared.grey.width(), prepared.grey.height(), 1,
                    int(prepared.grey.bytesPerLine()));
    m_api->SetSourceResolution(m_handle, kAssumedResolution);
    const std::unique_ptr<char, void (*)(const char*)> text(m_api->GetUTF8Text(m_handle), m_api->DeleteText);
    m_api->Clear(m_handle);
    if (!text)
        return OcrError{OcrError::EngineFailure, QStringLiteral("Tesseract could not read the picture")};
    return JoinRecognisedText(QString::fromUtf8(text.get()), languages);
}

} // namespace quillo
