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
        "properties": {"language": {"type": "string"}, "confidence": {"type": "number"}}}},
      "Outcome": {"type": "object", "description": "One engine's result: {engine, kind, text, missingTerms?} or {engine, error}",
        "properties": {"engine": {"type": "string"}, "kind": {"type": "string"}, "text": {"type": "string"},
          "error": {"type": "string"}, "missingTerms": {"type": "array", "items": {"type": "string"}}}},
      "Pair": {"type": "object", "required": ["source", "target"], "properties": {
        "source": {"type": "string", "example": "en"}, "target": {"type": "string", "example": "zh-Hans"}}},
      "GlossaryEntry": {"type": "object", "properties": {"id": {"type": "integer"}, "source": {"type": "string"},
        "target": {"type": "string"}, "term": {"type": "string"}, "translation": {"type": "string"}, "note": {"type": "string"}}}
    },
    "responses": {
      "BadRequest": {"description": "Invalid request", "content": {"application/json": {"schema": {"$ref": "#/components/schemas/Error"}}}},
      "Forbidden": {"description": "Invalid API key", "content": {"application/json": {"schema": {"$ref": "#/components/schemas/Error"}}}},
      "NotFound": {"description": "No such entry", "content": {"application/json": {"schema": {"$ref": "#/components/schemas/Error"}}}},
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
      "requestBody": {"content": {"application/json": {"schema": {"type": "object", "required": ["q"], "properties": {
        "q": {"type": "string"}, "api_key": {"type": "string"}}}},
        "application/x-www-form-urlencoded": {"schema": {"type": "object"}}}},
      "responses": {"200": {"description": "Likeliest first", "content": {"application/json": {"schema": {"$ref": "#/components/schemas/Detection"}}}},
        "400": {"$ref": "#/components/responses/BadRequest"}, "403": {"$ref": "#/components/responses/Forbidden"}}}},
    "/languages": {"get": {"summary": "Languages with their targets (LibreTranslate codes: zh, zt, ...)",
      "responses": {"200": {"description": "[{code, name, targets}]"}}}},
    "/frontend/settings": {"get": {"summary": "charLimit, keyRequired, apiKeys and the rest of LibreTranslate's settings",
      "responses": {"200": {"description": "Settings"}}}},
    "/spec": {"get": {"summary": "This document", "responses": {"200": {"description": "OpenAPI 3"}}}},
    "/api/v1/engines": {"get": {"summary": "Engines with the pairs each serves",
      "responses": {"200": {"description": "[{id, name, kind, online, pairs}]"}, "403": {"$ref": "#/components/responses/Forbidden"}}}},
    "/api/v1/translate": {"post": {"summary": "Translate with the chain's engine, named engines or all",
      "requestBody": {"content": {"application/json": {"schema": {"type": "object", "required": ["text", "target"], "properties": {
        "text": {"type": "string"}, "source": {"type": "string", "example": "auto"}, "target": {"type": "string", "example": "zh-Hans"},
        "engines": {"oneOf": [{"type": "string", "enum": ["all"]}, {"type": "array", "items": {"type": "string"}}]},
        "stream": {"type": "boolean"}}}}}},
      "responses": {"200": {"description": "Without stream: {source, results}. With stream: a text/event-stream of \"delta\" events ({engine, text}, each piece as it arrives), one \"done\" event per engine as soon as it finishes (an Outcome), and \"end\" ({source})",
        "content": {"application/json": {"schema": {"type": "object", "properties": {"source": {"type": "string"},
            "results": {"type": "array", "items": {"$ref": "#/components/schemas/Outcome"}}}}},
          "text/event-stream": {"schema": {"type": "string"}}}},
        "400": {"$ref": "#/components/responses/BadRequest"}, "403": {"$ref": "#/components/responses/Forbidden"}}}},
    "/api/v1/detect": {"post": {"summary": "Detect the language of text (confidence 0-1)",
      "requestBody": {"content": {"application/json": {"schema": {"type": "object", "required": ["text"], "properties": {
        "text": {"type": "string"}}}}}},
      "responses": {"200": {"description": "Likeliest first", "content": {"application/json": {"schema": {"$ref": "#/components/schemas/Detection"}}}},
        "400": {"$ref": "#/components/responses/BadRequest"}, "403": {"$ref": "#/components/responses/Forbidden"}}}},
    "/api/v1/prepare": {"post": {"summary": "The engine of a pair gets ready for its first text",
      "requestBody": {"content": {"application/json": {"schema": {"$ref": "#/components/schemas/Pair"}}}},
      "responses": {"200": {"description": "{engine}: its id, null when no engine serves the pair"},
        "400": {"$ref": "#/components/responses/BadRequest"}, "403": {"$ref": "#/components/responses/Forbidden"}}}},
    "/api/v1/glossary": {
      "get": {"summary": "The terms of a pair (of every pair without source and target)",
        "parameters": [{"name": "source", "in": "query", "schema": {"type": "string"}},
                       {"name": "target", "in": "query", "schema": {"type": "string"}}],
        "responses": {"200": {"description": "Entries", "content": {"application/json": {"schema": {"type": "array",
            "items": {"$ref": "#/components/schemas/GlossaryEntry"}}}}},
          "400": {"$ref": "#/components/responses/BadRequest"}, "403": {"$ref": "#/components/responses/Forbidden"}}},
      "post": {"summary": "Add a term, or replace the pair's entry for it",
        "requestBody": {"content": {"application/json": {"schema": {"type": "object",
          "required": ["source", "target", "term", "translation"], "properties": {"source": {"type": "string"},
            "target": {"type": "string"}, "term": {"type": "string"}, "translation": {"type": "string"}, "note": {"type": "string"}}}}}},
        "responses": {"201": {"description": "Added", "content": {"application/json": {"schema": {"$ref": "#/components/schemas/GlossaryEntry"}}}},
          "200": {"description": "Replaced", "content": {"application/json": {"schema": {"$ref": "#/components/schemas/GlossaryEntry"}}}},
          "400": {"$ref": "#/components/responses/BadRequest"}, "403": {"$ref": "#/components/responses/Forbidden"}}}},
    "/api/v1/glossary/{id}": {"delete": {"summary": "Remove an entry",
      "parameters": [{"name": "id", "in": "path", "required": true, "schema": {"type": "integer"}}],
      "responses": {"204": {"description": "Removed"}, "403": {"$ref": "#/components/responses/Forbidden"},
        "404": {"$ref": "#/components/responses/NotFound"}}}},
    "/api/v1/engines/reload": {"post": {"summary": "Read the engines' settings again and swap the engine set (a client on this machine, or one with a key)",
      "responses": {"200": {"description": "{engines}: the chain now, in its order"}, "403": {"$ref": "#/components/responses/Forbidden"},
        "500": {"$ref": "#/components/responses/Failed"}}}},
    "/api/v1/engines/test": {"post": {"summary": "Try one engine's settings before they are saved (a client on this machine, or one with a key)",
      "requestBody": {"content": {"application/json": {"schema": {"type": "object", "required": ["engine"], "properties": {
        "engine": {"type": "string", "example": "llm"}, "settings": {"type": "object", "additionalProperties": {"type": "string"}},
        "text": {"type": "string"}, "source": {"type": "string"}, "target": {"type": "string"}}}}}},
      "responses": {"200": {"description": "The engine's outcome", "content": {"application/json": {"schema": {"$ref": "#/components/schemas/Outcome"}}}},
        "400": {"$ref": "#/components/responses/BadRequest"}, "403": {"$ref": "#/components/responses/Forbidden"}}}}
  }
}
)json";

} // namespace

std::string_view ApiSpecification()
{
    return kSpecification;
}

} // namespace quillo::server
