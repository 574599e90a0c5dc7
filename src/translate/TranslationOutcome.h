#pragma once
// How a translation ends, and what the user is told about it. Every caller (the main window, the
// popup) words its refusals and failures with these same texts.
#include <QString>

namespace quillo {

// Why a translation or one of its requests ended without a result.
enum class TranslationFailure {
    None,
    ConnectionLost,     // the reply was cut short
    HttpError,          // a status other than 200
    WaitTimeoutExpired, // nothing moved for the whole wait interval
    HostUnreachable,
    UnrecognisedReply,  // a page without its result block: an error page or a changed service
    ServiceExplained,   // an error status whose reply says why in the result's place (text holds it)
    Aborted,
};

struct TranslationOutcome
{
    TranslationFailure failure = TranslationFailure::None;
    QString text; // the translation; for ServiceExplained the service's own sentence
};

// The two refusals before anything is sent.
extern const QString kNoSourceText;
extern const QString kSameLanguages;
// What a failed request leaves in the result box besides its message: only an unreachable host
// leaves the help text.
extern const QString kHostUnreachableHelp;

// The message box text of a failure; empty for None and Aborted, which nobody is told about.
QString FailureMessage(TranslationFailure failure);
// The same, with the service's own sentence where it gave one.
QString FailureMessage(const TranslationOutcome& outcome);

} // namespace quillo
