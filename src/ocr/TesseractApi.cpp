#include "ocr/TesseractApi.h"

#include "core/RuntimeLibrary.h"

#ifndef QUILLO_LIBTESSERACT_NAME
#define QUILLO_LIBTESSERACT_NAME "libtesseract.so.5"
#endif

namespace quillo {

namespace {

struct LoadedTesseract {
    std::optional<TesseractApi> api;
    QString reason;
};

const LoadedTesseract& loadedTesseract()
{
    static const LoadedTesseract loaded = [] {
        LoadedTesseract result;
        result.api = LoadTesseractApi(QUILLO_LIBTESSERACT_NAME, result.reason);
        return result;
    }();
    return loaded;
}

} // namespace

std::optional<TesseractApi> LoadTesseractApi(const char* fileName, QString& error)
{
    RuntimeLibrary library(fileName);
    const auto api = ResolveFunctions<TesseractApi>(library, [](RuntimeLibrary& lib, TesseractApi& t) {
        return lib.Resolve(t.Version, "TessVersion") && lib.Resolve(t.Create, "TessBaseAPICreate")
            && lib.Resolve(t.Delete, "TessBaseAPIDelete") && lib.Resolve(t.Init3, "TessBaseAPIInit3")
            && lib.Resolve(t.SetVariable, "TessBaseAPISetVariable")
            && lib.Resolve(t.SetPageSegMode, "TessBaseAPISetPageSegMode")
            && lib.Resolve(t.SetImage, "TessBaseAPISetImage")
            && lib.Resolve(t.SetSourceResolution, "TessBaseAPISetSourceResolution")
            && lib.Resolve(t.GetUTF8Text, "TessBaseAPIGetUTF8Text") && lib.Resolve(t.DeleteText, "TessDeleteText")
            && lib.Resolve(t.Clear, "TessBaseAPIClear");
    });
    error = api ? QString() : library.ErrorString();
    return api;
}

const TesseractApi* Tesseract()
{
    const LoadedTesseract& loaded = loadedTesseract();
    return loaded.api ? &*loaded.api : nullptr;
}

QString TesseractUnavailableReason()
{
    return loadedTesseract().reason;
}

} // namespace quillo
