// POST /translation/feedback/addinfo.asp: the guest-book script. The body is GB18030, whose bytes
// for GBK's characters are GBK's, so older GBK clients are read alike; the sender name comes
// unescaped, the other fields form-encoded. The reply holds the line "留言成功" only when the
// message has been committed to the database.

#include "server/stores/FeedbackStore.h"
#include "server/base/FormBody.h"
#include "server/net/HttpSupport.h"
#include "server/base/Log.h"
#include "server/api/ProgramRoutes.h"
#include "server/base/TextCodec.h"

namespace quillo::server {

namespace {

// The reply pages are GBK like the form, each sentence on a line of its own.
void respondGbk(web::Response& response, int status, const std::string& line)
{
    const std::string page = "<html><head><meta http-equiv=\"Content-Type\" "
                             "content=\"text/html; charset=gbk\"><title>留言</title></head><body>\r\n"
        + line + "\r\n</body></html>\r\n";
    response.status = status;
    response.set_content(Utf8ToGbk(page).value_or(page), "text/html; charset=GBK");
}

std::optional<std::string> field(const FormBody& form, std::string_view name)
{
    const auto raw = form.raw(name);
    if (!raw)
        return std::string();
    const auto bytes = PercentDecode(*raw, true);
    return bytes ? Gb18030ToUtf8(*bytes) : std::nullopt;
}

bool readMessage(const std::string& body, FeedbackMessage& message, std::string& problem)
{
    const FormBody form = FormBody::parse(body);
    if (!form.raw("title") || !form.raw("text")) {
        problem = "fields title and text are required";
        return false;
    }
    std::string* targets[] = {&message.user, &message.name, &message.email, &message.title,
                              &message.text, &message.image, &message.home, &message.time};
    const char* names[] = {"user", "name", "email", "title", "text", "image", "home", "time"};
    for (size_t i = 0; i < std::size(names); ++i) {
        const auto value = field(form, names[i]);
        if (!value) {
            problem = std::string("field ") + names[i] + " is not well-formed GB18030";
            return false;
        }
        *targets[i] = *value;
    }
    if (message.title.empty() || message.text.empty()) {
        problem = "empty title or text";
        return false;
    }
    message.raw = body;
    return true;
}

void addInfo(const FeedbackContext& context, const web::Request& request, web::Response& response,
             const web::ContentReader& reader)
{
    std::string body;
    const BodyRead read = ReadBody(request, reader, context.bodyBytes, body);
    if (read != BodyRead::Ok)
        return RespondBodyProblem(response, read, context.bodyBytes);

    FeedbackMessage message;
    message.remote = request.remote_addr;
    std::string problem;
    if (!readMessage(body, message, problem)) {
        LogWarning("feedback refused: " + problem);
        return respondGbk(response, 400, "留言格式错误，没有保存。");
    }
    std::string error;
    switch (context.store.add(message, error)) {
    case FeedbackStore::Added::Stored:
        break;
    case FeedbackStore::Added::OverDailyLimit:
        LogWarning("feedback refused: today's limit is reached");
        return respondGbk(response, 503, "今天的留言已满，没有保存，请明天再试。");
    case FeedbackStore::Added::Unavailable:
        LogError("feedback not stored, the database did not answer in time: " + error);
        return respondGbk(response, 503, "数据库没有及时应答，留言没有保存，请稍后再试。");
    case FeedbackStore::Added::Failed:
        LogError("feedback not stored: " + error);
        return respondGbk(response, 500, "服务器出错，留言没有保存，请稍后再试。");
    }
    LogInfo("feedback #" + std::to_string(message.id) + " stored from " + message.remote);
    if (context.stored)
        context.stored();
    // Callers look for the acceptance line alone; the program also reads the one after it.
    respondGbk(response, 200,
               context.keptLocally.empty() ? "留言成功" : "留言成功\r\n" + context.keptLocally);
}

} // namespace

void AddFeedbackRoutes(web::Router& server, FeedbackContext context)
{
    server.Post("/translation/feedback/addinfo\\.asp",
                [context](const web::Request& request, web::Response& response,
                          const web::ContentReader& reader) {
                    addInfo(context, request, response, reader);
                }, web::Lane::Store);
}

} // namespace quillo::server
