#pragma once
// Loopback stand-ins for the two hosted translation APIs, written from their public
// documentation: an OpenAI-compatible server (POST /v1/chat/completions, GET /v1/models),
// DeepL's API v2 (POST /v2/translate) and MyMemory's GET /get. Each records what arrived and answers with the documented
// shapes, or with the failure a test asks for.

#include "ServerFixture.h"

#include <QJsonArray>

#include <condition_variable>
#include <vector>

namespace quillo::server::testing {

enum class Answer { Translate, Unauthorized, RateLimitedOnce, RateLimited, ServerError, Stall, Malformed, EmptyChoices, Oversized };

struct ArrivedRequest {
    std::string path, authorization, contentType;
    QJsonObject body;
};

// What both stand-ins share: the recorded requests, the chosen answer, a stall the destructor ends.
class StandIn {
public:
    // One request a connection: a kept-alive connection would hold up stop() until it times out.
    StandIn() { site.server().set_keep_alive_max_count(1); }
    ~StandIn() { releaseStalls(); }
    StandIn(const StandIn&) = delete;
    StandIn& operator=(const StandIn&) = delete;

    std::atomic<Answer> answer{Answer::Translate};
    std::string retryAfter = "1";

    std::vector<ArrivedRequest> requests()
    {
        std::lock_guard lock(mutex_);
        return requests_;
    }
    void releaseStalls()
    {
        {
            std::lock_guard lock(mutex_);
            released_ = true;
        }
        wake_.notify_all();
        site.stop();
    }

    LocalSite site;

protected:
    // Records the request; true when the handler should go on to answer normally.
    bool arrive(const httplib::Request& request, httplib::Response& response)
    {
        size_t count;
        {
            std::lock_guard lock(mutex_);
            requests_.push_back({request.path, request.get_header_value("Authorization"),
                                 request.get_header_value("Content-Type"),
                                 QJsonDocument::fromJson(bytes(request.body)).object()});
            count = requests_.size();
        }
        switch (answer.load()) {
        case Answer::Unauthorized:
            fail(response, 401, "Incorrect API key provided: " + request.get_header_value("Authorization"));
            return false;
        case Answer::RateLimitedOnce:
            if (count > 1)
                return true;
            [[fallthrough]];
        case Answer::RateLimited:
            response.set_header("Retry-After", retryAfter);
            fail(response, 429, "Rate limit reached");
            return false;
        case Answer::ServerError:
            fail(response, 500, "The server had an error while processing your request.");
            return false;
        case Answer::Stall: {
            std::unique_lock lock(mutex_);
            wake_.wait_for(lock, std::chrono::seconds(20), [this] { return released_; });
            return false;
        }
        case Answer::Malformed:
            response.set_content("{\"choices\": [", "application/json");
            return false;
        case Answer::Oversized:
            response.set_content("{\"choices\": [\"" + std::string(9 * 1024 * 1024, 'x') + "\"]}", "application/json");
            return false;
        default:
            return true;
        }
    }
    virtual void fail(httplib::Response& response, int status, const std::string& message) = 0;

private:
    std::mutex mutex_;
    std::condition_variable wake_;
    std::vector<ArrivedRequest> requests_;
    bool released_ = false;
};

// Translates to "[<model>] <user message>"; lists the models "first-model" and "second-model".
class ChatStandIn : public StandIn {
public:
    ChatStandIn()
    {
        site.server().Post("/v1/chat/completions", [this](const httplib::Request& request, httplib::Response& response) {
            if (!arrive(request, response))
                return;
            const QJsonObject body = QJsonDocument::fromJson(bytes(request.body)).object();
            const QJsonArray messages = body.value(u"messages").toArray();
            const QString text = u'[' + body.value(u"model").toString() + QStringLiteral("] ")
                + messages.last().toObject().value(u"content").toString();
            const QJsonArray choices = answer.load() == Answer::EmptyChoices ? QJsonArray() : QJsonArray{QJsonObject{
                {QStringLiteral("index"), 0},
                {QStringLiteral("message"), QJsonObject{{QStringLiteral("role"), QStringLiteral("assistant")},
                                                        {QStringLiteral("content"), text}}},
                {QStringLiteral("finish_reason"), QStringLiteral("stop")}}};
            const QJsonObject reply{{QStringLiteral("id"), QStringLiteral("chatcmpl-1")},
                                    {QStringLiteral("object"), QStringLiteral("chat.completion")},
                                    {QStringLiteral("model"), body.value(u"model")},
                                    {QStringLiteral("choices"), choices}};
            response.set_content(QJsonDocument(reply).toJson().toStdString(), "application/json");
        });
        site.server().Get("/v1/models", [](const httplib::Request&, httplib::Response& response) {
            response.set_content(R"({"object":"list","data":[{"id":"first-model","object":"model"},
                                     {"id":"second-model","object":"model"}]})",
                                 "application/json");
        });
        site.start();
    }
    std::string base() const { return site.url("/v1"); }

protected:
    void fail(httplib::Response& response, int status, const std::string& message) override
    {
        response.status = status;
        const QJsonObject error{{QStringLiteral("message"), QString::fromStdString(message)},
                                {QStringLiteral("type"), QStringLiteral("error")}};
        response.set_content(QJsonDocument(QJsonObject{{QStringLiteral("error"), error}}).toJson().toStdString(),
                             "application/json");
    }
};

// Translates each text to "[<target_lang>] <text>".
class DeepLStandIn : public StandIn {
public:
    DeepLStandIn()
    {
        site.server().Post("/v2/translate", [this](const httplib::Request& request, httplib::Response& response) {
            if (!arrive(request, response))
                return;
            const QJsonObject body = QJsonDocument::fromJson(bytes(request.body)).object();
            QJsonArray translations;
            for (const QJsonValue& text : body.value(u"text").toArray()) {
                translations.append(QJsonObject{
                    {QStringLiteral("detected_source_language"), body.value(u"source_lang")},
                    {QStringLiteral("text"), u'[' + body.value(u"target_lang").toString() + QStringLiteral("] ") + text.toString()}});
            }
            response.set_content(
                QJsonDocument(QJsonObject{{QStringLiteral("translations"), translations}}).toJson().toStdString(),
                "application/json");
        });
        site.start();
    }
    std::string base() const { return site.url(""); }

protected:
    void fail(httplib::Response& response, int status, const std::string& message) override
    {
        response.status = status;
        response.set_content(QJsonDocument(QJsonObject{{QStringLiteral("message"), QString::fromStdString(message)}})
                                 .toJson()
                                 .toStdString(),
                             "application/json");
    }
};

// MyMemory's GET /get: translates q to "[<target of langpair>] <q>" and records every query. A q
// over 500 bytes is refused as the service refuses it; RateLimited answers its quota warning
// (under HTTP 429, or under 200 with quotaUnder200 set).
class MyMemoryStandIn : public StandIn {
public:
    struct Query {
        std::string q, langpair, de;
    };

    MyMemoryStandIn()
    {
        site.server().Get("/get", [this](const httplib::Request& request, httplib::Response& response) {
            {
                std::lock_guard lock(queriesMutex_);
                queries_.push_back({request.get_param_value("q"), request.get_param_value("langpair"),
                                    request.get_param_value("de")});
            }
            if (!arrive(request, response))
                return;
            const std::string q = request.get_param_value("q");
            if (q.size() > 500)
                return reply(response, 200, "QUERY LENGTH LIMIT EXCEEDED. MAX ALLOWED QUERY : 500 CHARS", "403", false);
            if (refusePair)
                return reply(response, 200, "'XX' IS AN INVALID TARGET LANGUAGE . EXAMPLE: LANGPAIR=EN|IT", "403", false);
            const std::string langpair = request.get_param_value("langpair");
            reply(response, 200, "[" + langpair.substr(langpair.find('|') + 1) + "] " + q, "200", false);
        });
        site.start();
    }
    std::string base() const { return site.url(""); }
    std::vector<Query> queries()
    {
        std::lock_guard lock(queriesMutex_);
        return queries_;
    }

    std::atomic<bool> quotaUnder200{false};
    std::atomic<bool> refusePair{false};

protected:
    void fail(httplib::Response& response, int status, const std::string& message) override
    {
        if (status == 429)
            return reply(response, quotaUnder200 ? 200 : 429,
                         "MYMEMORY WARNING: YOU USED ALL AVAILABLE FREE TRANSLATIONS FOR TODAY.", "429", true);
        response.status = status;
        response.set_content(message, "text/plain");
    }

private:
    static void reply(httplib::Response& response, int status, const std::string& text, const std::string& code, bool quota)
    {
        response.status = status;
        const QString translated = QString::fromStdString(text);
        const QJsonObject body{{QStringLiteral("responseData"), QJsonObject{{QStringLiteral("translatedText"), translated},
                                                                            {QStringLiteral("match"), 1}}},
                               {QStringLiteral("quotaFinished"), quota},
                               {QStringLiteral("responseDetails"), code == "200" ? QString() : translated},
                               // The service gives it as a string when it refuses, a number otherwise.
                               {QStringLiteral("responseStatus"), code == "200" ? QJsonValue(200) : QJsonValue(QString::fromStdString(code))}};
        response.set_content(QJsonDocument(body).toJson().toStdString(), "application/json");
    }

    std::mutex queriesMutex_;
    std::vector<Query> queries_;
};

} // namespace quillo::server::testing
