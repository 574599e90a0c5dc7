#pragma once
#include <QString>

namespace quillo {

// Why no text came out of a picture, with the sentence the user is shown.
struct OcrError {
    enum Kind {
        UnreadableImage,  // not a picture, or an empty one
        MissingLanguage,  // a language's model is not installed
        MissingEngine,    // libtesseract itself is not installed
        UnknownLanguage,  // a code that is not one of the program's languages
        EngineFailure,    // Tesseract refused to start or to read
    };
    Kind kind = EngineFailure;
    QString message;
};

} // namespace quillo
