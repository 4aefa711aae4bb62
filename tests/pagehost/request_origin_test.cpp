#include "pagehost/request_origin.h"

#include <gtest/gtest.h>

namespace veltrano::pagehost {
namespace {

TEST(RequestOrigin, OnlyTheTwoNamesABrowserUsesForThisHostAndPortAreOurs)
{
    const struct {
        std::string_view host;
        bool ours;
    } cases[] = {
        {"127.0.0.1:8080", true},
        {"localhost:8080", true},
        {"LocalHost:8080", true},
        {"127.0.0.1", false},
        {"localhost", false},
        {"127.0.0.1:80", false},
        {"127.0.0.1:18080", false},
        {"127.0.0.1:08080", false},
        {"127.0.0.2:8080", false},
        {"x127.0.0.1:8080", false},
        {"localhost.:8080", false},
        {"[::1]:8080", false},
        {"rebound.example:8080", false},
        {"127.0.0.1:8080.example", false},
        {"", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(isOwnHost(c.host, 8080), c.ours) << c.host;
}

TEST(RequestOrigin, JsonIsJsonWithAnyParametersInAnyCase)
{
    const struct {
        std::string_view contentType;
        bool json;
    } cases[] = {
        {"application/json", true},
        {"application/json; charset=utf-8", true},
        {"APPLICATION/JSON;charset=UTF-8", true},
        {" application/json ", true},
        {"application/jsonp", false},
        {"application/json-patch+json", false},
        {"text/plain", false},
        {"text/plain; application/json", false},
        {"multipart/form-data; boundary=application/json", false},
        {"application/x-www-form-urlencoded", false},
        {"", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(isJsonContentType(c.contentType), c.json) << c.contentType;
}

}  // namespace
}  // namespace veltrano::pagehost
