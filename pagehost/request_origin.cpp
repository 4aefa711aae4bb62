#include "pagehost/request_origin.h"

#include "pagehost/http_text.h"

#include <string>

namespace veltrano::pagehost {

bool isOwnHost(std::string_view host, int port)
{
    const std::string suffix = ":" + std::to_string(port);
    if (!host.ends_with(suffix))
        return false;
    const std::string_view name = host.substr(0, host.size() - suffix.size());
    return name == "127.0.0.1" || sameLetters(name, "localhost");
}

bool isJsonContentType(std::string_view contentType)
{
    return sameLetters(withoutBlanks(contentType.substr(0, contentType.find(';'))), "application/json");
}

}  // namespace veltrano::pagehost
