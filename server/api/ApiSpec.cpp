// GET /spec: what a client generator or a curious developer needs to call the routes, kept short.

#include "server/api/ApiContext.h"

namespace quillo::server {

namespace {

constexpr std::string_view kSpecification = R"json({
  "openapi": "3.0.3",
  "info": {"title": "quillo-server", "version": "1",
           "description": "LibreTranslate-compatible routes and the open JSON API v1. Where the server has API keys, send one as api_key, as \"Authorization: Bearer KEY\" or as X-API-Key."},
  "components": {
    "schemas": {
      "Error": {"type": "object", "properties": {"error": {"type": "string"}}},
      "Detection": {"type": "array", "items": {"type": "object",
        "properties": {"language": {"type": "string"}, "confidence": {"type": "number"}}}}
    },
    "responses": {
      "BadRequest": {"description": "Invalid request", "content": {"application/json": {"schema": {"$ref": "#/components/schemas/Error"}}}},
      "Forbidden": {"description": "Invalid API key", "content": {"application/json": {"schema": {"$ref": "#/components/schemas/Error"}}}},
      "TooMany": {"description": "An engine refused for too many requests", "content": {"application/json": {"schema": {"$ref": "#/components/schemas/Error"}}}},
      "Failed": {"description": "The translation failed", "content": {"application/json": {"schema": {"$ref": "#/components/schemas/Error"}}}}
    }
  },
  "paths": {
    "/translate": {"post": {"summary": "Translate text (LibreTranslate)",
      "requestBody": {"content": {
        "application/json": {"schema": {"type": "object", "required": ["q", "target"], "properties": {
          "q": {"oneOf": [{"type": "string"}, {"type": "array", "items": {"type": "string"}}]},
          "source": {"type": "string", "example": "auto"}, "target": {"type": "string", "example": "zh"},
          "format": {"type": "string", "enum": ["text", "html"]}, "api_key": {"type": "string"}}}},
        "application/x-www-form-urlencoded": {"schema": {"type": "object"}},
        "multipart/form-data": {"schema": {"type": "object"}}}},
      "responses": {"200": {"description": "translatedText (a list for a list), detectedLanguage for source auto",
        "content": {"application/json": {"schema": {"type": "object", "properties": {
          "translatedText": {"oneOf": [{"type": "string"}, {"type": "array", "items": {"type": "string"}}]},
          "detectedLanguage": {"type": "object"}}}}}},
        "400": {"$ref": "#/components/responses/BadRequest"}, "403": {"$ref": "#/components/responses/Forbidden"},
        "429": {"$ref": "#/components/responses/TooMany"}, "500": {"$ref": "#/components/responses/Failed"}}}},
    "/detect": {"post": {"summary": "Detect the language of q (LibreTranslate; confidence 0-100)",
      "responses": {"200": {"description": "Likeliest first", "content": {"application/json": {"schema": {"$ref": "#/components/schemas/Detection"}}}},
        "400": {"$ref": "#/components/responses/BadRequest"}, "403": {"$ref": "#/components/responses/Forbidden"}}}},
    "/languages": {"get": {"summary": "Languages with their targets (LibreTranslate codes: zh, zt, ...)",
      "responses": {"200": {"description": "[{code, name, targets}]"}}}},
    "/frontend/settings": {"get": {"summary": "charLimit, keyRequired, apiKeys and the rest of LibreTranslate's settings",
      "responses": {"200": {"description": "Settings"}}}},
    "/api/v1/engines": {"get": {"summary": "Engines with the pairs each serves",
      "responses": {"200": {"description": "[{id, name, kind, online, pairs}]"}, "403": {"$ref": "#/components/responses/Forbidden"}}}},
    "/api/v1/translate": {"post": {"summary": "Translate with the chain's engine, named engines or all",
      "requestBody": {"content": {"application/json": {"schema": {"type": "object", "required": ["text", "target"], "properties": {
        "text": {"type": "string"}, "source": {"type": "string", "example": "auto"}, "target": {"type": "string", "example": "zh-Hans"},
        "engines": {"oneOf": [{"type": "string", "enum": ["all"]}, {"type": "array", "items": {"type": "string"}}]},
        "stream": {"type": "boolean"}}}}}},
      "responses": {"200": {"description": "{source, results: [{engine, kind, text} or {engine, error}]}; with stream, text/event-stream of delta, done and end events"},
        "400": {"$ref": "#/components/responses/BadRequest"}, "403": {"$ref": "#/components/responses/Forbidden"}}}},
    "/api/v1/detect": {"post": {"summary": "Detect the language of text (confidence 0-1)",
      "responses": {"200": {"description": "Likeliest first", "content": {"application/json": {"schema": {"$ref": "#/components/schemas/Detection"}}}},
        "403": {"$ref": "#/components/responses/Forbidden"}}}}
  }
}
)json";

} // namespace

std::string_view ApiSpecification()
{
    return kSpecification;
}

} // namespace quillo::server
