#pragma once
// The host's HTTP routes, each a small function over the translation service.

#include "pagehost/api.h"
#include "pagehost/bounded_server.h"
#include "pagehost/translation_service.h"

#include <httplib.h>

#include <exception>
#include <string_view>

namespace veltrano::pagehost {

// GET /translate_t?sl=..&tl=..&text=..: the translation page, or a page saying the pair is not
// offered (404).
void servePage(const httplib::Request& request, httplib::Response& response, TranslationService& service);

// The one route that reads a request body.
inline constexpr std::string_view kTranslateRoute = "/api/translate";

// POST /api/translate: {"sl","tl","q":[...]} to {"translations":[...]}; errors as {"error"} with
// 400 (malformed, pair not offered), 413 (over a limit) or 503 (pipeline failed or unavailable).
// The body is read through reader and no further than the limit, however it is sent.
void serveTranslate(const httplib::Request& request, httplib::Response& response, const httplib::ContentReader& reader,
                    TranslationService& service, const ApiLimits& limits);

// Before routing: answers a request that a web page from elsewhere could have had a browser send,
// and ends its connection: 421 when its Host is not 127.0.0.1:port or localhost:port (port being
// the one this host listens on), 415 for a POST whose body is not application/json. Unhandled for
// every other request.
httplib::Server::HandlerResponse refuseForeignRequest(const httplib::Request& request, httplib::Response& response,
                                                      int port);

// Before routing: answers, without reading its body, a request that announces a body over the
// limit (413) or a body on a route that takes none (400), and ends its connection; Unhandled for
// every other request.
httplib::Server::HandlerResponse refuseUnreadBody(const httplib::Request& request, httplib::Response& response,
                                                  const ApiLimits& limits);

// GET /health: 200 with the available pairs; 503 when none is.
void serveHealth(const httplib::Request& request, httplib::Response& response, const TranslationService& service);

// GET /api/version: {"program","version","directions":[{"sl","tl","fingerprint","numberTemplates"}]},
// the fingerprint telling whether translations kept from an earlier run are still the ones given,
// numberTemplates whether texts that differ only in standalone numbers may be translated through
// one template (no glossary term of the direction has a digit).
void serveVersion(const httplib::Request& request, httplib::Response& response, const TranslationService& service);

// Binds server to 127.0.0.1 (never another interface) on port, or on a port the system picks
// when port is 0, with a wide queue of connections to accept; the bound port, or -1 when it
// cannot be bound.
int bindLoopback(BoundedServer& server, int port);

// Answers a request whose route threw with 500 and the reason, and logs it: a fault of ours.
void reportException(const httplib::Request& request, httplib::Response& response, std::exception_ptr exception);

// Gives an error status that no route answered (unknown path, over-long body) a one-line body.
void describeError(const httplib::Request& request, httplib::Response& response);

}  // namespace veltrano::pagehost
