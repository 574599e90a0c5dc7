#pragma once
// The part of libtesseract's C interface the recogniser uses, looked up when text is first read
// so that starting the program never loads Tesseract, Leptonica and their image libraries.
// Declared here rather than taken from <tesseract/capi.h>, whose C++ branch pulls in the whole
// C++ interface; these signatures are the same in Tesseract 4 and 5.
#include <QString>

#include <optional>

extern "C" {
struct TessBaseAPI;
}

namespace quillo {

struct TesseractApi {
    const char* (*Version)() = nullptr;
    TessBaseAPI* (*Create)() = nullptr;
    void (*Delete)(TessBaseAPI*) = nullptr;
    int (*Init3)(TessBaseAPI*, const char* dataPath, const char* language) = nullptr;
    int (*SetVariable)(TessBaseAPI*, const char* name, const char* value) = nullptr;
    void (*SetPageSegMode)(TessBaseAPI*, int mode) = nullptr;
    void (*SetImage)(TessBaseAPI*, const unsigned char* data, int width, int height, int bytesPerPixel,
                     int bytesPerLine) = nullptr;
    void (*SetSourceResolution)(TessBaseAPI*, int ppi) = nullptr;
    char* (*GetUTF8Text)(TessBaseAPI*) = nullptr;
    void (*DeleteText)(const char*) = nullptr;
    void (*Clear)(TessBaseAPI*) = nullptr;
};

// Tesseract's page segmentation modes the recogniser picks from.
enum TesseractPageMode : int {
    kSegmentColumn = 4,         // PSM_SINGLE_COLUMN: lines and paragraphs of one column
    kSegmentVerticalBlock = 5,  // PSM_SINGLE_BLOCK_VERT_TEXT
    kSegmentBlock = 6,          // PSM_SINGLE_BLOCK
};

// The table of `fileName`, or none with the reason in `error`.
std::optional<TesseractApi> LoadTesseractApi(const char* fileName, QString& error);

// The process's one table, loaded on the first call (from any thread); null when libtesseract is
// missing, TesseractUnavailableReason() then says why.
const TesseractApi* Tesseract();
QString TesseractUnavailableReason();

} // namespace quillo
