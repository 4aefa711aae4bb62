#pragma once
// Telling a request from this host's own page and programs from one that a web page from
// elsewhere had a browser send. Such a page reaches 127.0.0.1 under a name of its own (one it
// points at 127.0.0.1), and can send only a few plain types of body without the browser first
// asking the host, which never agrees.

#include <string_view>

namespace veltrano::pagehost {

// True when host, a Host header's value, is 127.0.0.1:port or localhost:port: the names a
// browser sends for a page this host served.
bool isOwnHost(std::string_view host, int port);

// True when contentType is application/json, with or without parameters, in any case.
bool isJsonContentType(std::string_view contentType);

}  // namespace veltrano::pagehost
