#pragma once
// The administrative commands; each returns the process exit code.

#include "server/app/ServerOptions.h"

#include <string>
#include <vector>

namespace quillo::server {

int RunPublish(const PublishRequest& request);
int RunFeedbackListing(const FeedbackListOptions& options);
int RunGlossaryCommand(const GlossaryCommandOptions& options);

struct FeedbackMessage;
// The listing as people read it, or as JSON; the message text and time as they were typed.
std::string FormatFeedback(const std::vector<FeedbackMessage>& messages, bool json);

} // namespace quillo::server
