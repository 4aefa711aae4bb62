// The batch's page host client against a stand-in host whose every translation fails.

#include "batch/page_host_client.h"

#include <httplib.h>

#include <gtest/gtest.h>

#include <thread>

namespace {

TEST(PageHostClient, AFailedRequestEndsTheBatchWithTheHostsReasonHoweverManyRequestsItTakes)
{
    httplib::Server host;
    host.Post("/api/translate", [](const httplib::Request&, httplib::Response& response) {
        response.status = 503;
        response.set_content(R"({"error":"the pipeline ended"})", "application/json");
    });
    const int port = host.bind_to_any_port("127.0.0.1");
    ASSERT_GT(port, 0);
    const std::jthread serving([&host] { host.listen_after_bind(); });
    const std::shared_ptr<void> stop(nullptr, [&host](void*) { host.stop(); });

    veltrano::batch::PageHostClient client("127.0.0.1:" + std::to_string(port), "en", "es");
    // One request, and more requests than the client keeps in flight at once.
    for (const std::size_t texts : {1, 20000}) {
        const auto translated = client.translate(std::vector<std::string>(texts, "The house"));
        ASSERT_FALSE(translated) << texts;
        EXPECT_NE(translated.error().message.find("503: the pipeline ended"), std::string::npos)
            << translated.error().message;
    }
}

}  // namespace
