// The batch's page host client against stand-in hosts.

#include "batch/page_host_client.h"

#include <httplib.h>
#include <nlohmann/json.hpp>

#include <gtest/gtest.h>

#include <mutex>
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

TEST(PageHostClient, TextsOfSeveralRequestsAllGoForTheFieldTheHostTellsFromThemTogether)
{
    httplib::Server host;
    std::mutex seen;
    std::vector<std::string> fields;  // each translating request's field, "-" for none
    host.Post("/api/translate", [&](const httplib::Request& request, httplib::Response& response) {
        const auto body = nlohmann::json::parse(request.body);
        nlohmann::json answer = {{"translations", body.at("q")}};
        if (body.contains("context"))
            answer["field"] = "sports";
        else {
            const std::lock_guard lock(seen);
            fields.push_back(body.value("field", "-"));
        }
        response.set_content(answer.dump(), "application/json");
    });
    const int port = host.bind_to_any_port("127.0.0.1");
    ASSERT_GT(port, 0);
    const std::jthread serving([&host] { host.listen_after_bind(); });
    const std::shared_ptr<void> stop(nullptr, [&host](void*) { host.stop(); });

    veltrano::batch::PageHostClient client("127.0.0.1:" + std::to_string(port), "en", "es");
    ASSERT_TRUE(client.translate({"Goals"}));
    EXPECT_EQ(fields, (std::vector<std::string>{"-"}));  // one request: the host reads it whole
    fields.clear();
    const auto translated = client.translate(std::vector<std::string>(20000, "Goals"));
    ASSERT_TRUE(translated) << translated.error().message;
    EXPECT_EQ(translated.value().size(), 20000u);
    ASSERT_GT(fields.size(), 1u);
    EXPECT_EQ(std::count(fields.begin(), fields.end(), "sports"), long(fields.size()));
}

}  // namespace
