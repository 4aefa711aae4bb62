// The real host with the real Apertium pipelines, over HTTP.
#include "host_process.h"

#include <gtest/gtest.h>

#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <sstream>
#include <thread>

extern char** environ;

namespace veltrano::pagehost::testing {
namespace {

using Texts = std::vector<std::string>;
using namespace std::string_literals;

class PageHost : public ::testing::Test {
protected:
    void startHost(const std::vector<std::string>& arguments = {})
    {
        std::string error;
        m_host = HostProcess::start(arguments, error);
        ASSERT_TRUE(m_host) << error;
        m_client = m_host->client();
    }
    void SetUp() override
    {
        // Some tests send more than the host reads; a write after it has closed must fail with
        // EPIPE, not end the test.
        signal(SIGPIPE, SIG_IGN);
        startHost();
    }

    Texts translated(const std::string& sl, const std::string& tl, const Texts& texts)
    {
        const ApiAnswer answer = translate(*m_client, sl, tl, texts);
        EXPECT_EQ(answer.status, 200) << answer.body.dump();
        if (answer.status != 200)
            return {};
        return answer.body.at("translations").get<Texts>();
    }

    std::string translatedOne(const std::string& sl, const std::string& tl, const std::string& text)
    {
        const Texts one = translated(sl, tl, {text});
        return one.empty() ? std::string("<failed>") : one.front();
    }

    std::unique_ptr<HostProcess> m_host;
    std::unique_ptr<httplib::Client> m_client;
};

bool contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

std::string leadingSpace(const std::string& text)
{
    return text.substr(0, text.find_first_not_of(" \t\r\n"));
}

std::string trailingSpace(const std::string& text)
{
    const auto last = text.find_last_not_of(" \t\r\n");
    return last == std::string::npos ? text : text.substr(last + 1);
}

TEST_F(PageHost, ServesThePageForBothDirectionsAndRefusesOthers)
{
    for (const auto& [query, language] :
         {std::pair{"sl=en&tl=es&text=", "\"en\""}, std::pair{"sl=es&tl=en&text=", "\"es\""}}) {
        const auto page = m_client->Get("/translate_t?"s + query);
        ASSERT_TRUE(page);
        EXPECT_EQ(page->status, 200);
        EXPECT_TRUE(contains(page->get_header_value("Content-Type"), "text/html")) << query;
        for (const char* id : {"id=\"source\"", "id=\"result_box\"", "id=\"error_box\"", "sl: "})
            EXPECT_TRUE(contains(page->body, id)) << query << ": " << id;
        EXPECT_TRUE(contains(page->body, "sl: "s + language)) << query;
        EXPECT_FALSE(contains(page->body, "http://") || contains(page->body, "https://")) << "outside resource";
        for (const char* leadsAway : {"<a ", "href", "<form", "<button", "location"})
            EXPECT_FALSE(contains(page->body, leadsAway)) << query << ": " << leadsAway;
    }
    const auto filled = m_client->Get("/translate_t?sl=en&tl=es&text=Hello%20%3C%2Fscript%3E");
    ASSERT_TRUE(filled);
    EXPECT_TRUE(contains(filled->body, R"(const initialText = "Hello \u003c/script>";)"));

    const auto unknown = m_client->Get("/translate_t?sl=fr&tl=es&text=");
    ASSERT_TRUE(unknown);
    EXPECT_EQ(unknown->status, 404);
    EXPECT_TRUE(contains(unknown->body, "not translate from \"fr\" to \"es\""));
    EXPECT_FALSE(contains(unknown->body, "id=\"result_box\""));
    EXPECT_TRUE(contains(unknown->body, "English to Spanish") && !contains(unknown->body, "href"));
    // A language named twice: no one direction was asked for.
    const auto twice = m_client->Get("/translate_t?sl=en&tl=es&sl=es&text=");
    ASSERT_TRUE(twice);
    EXPECT_EQ(twice->status, 404);
}

TEST_F(PageHost, TranslatesBothDirectionsSensibly)
{
    const std::string spanish = translatedOne("en", "es", "Total sales for the year");
    EXPECT_TRUE(contains(spanish, "Ventas totales") && contains(spanish, "año")) << spanish;
    const std::string english = translatedOne("es", "en", "Ventas totales del año");
    EXPECT_TRUE(contains(english, "sales") && contains(english, "year")) << english;

    const auto health = m_client->Get("/health");
    ASSERT_TRUE(health);
    EXPECT_EQ(health->status, 200);
    EXPECT_EQ(nlohmann::json::parse(health->body).at("pairs").size(), 2u) << health->body;

    const ApiAnswer unknownPair = translate(*m_client, "en", "fr", {"text"});
    EXPECT_EQ(unknownPair.status, 400);
    EXPECT_TRUE(unknownPair.body.contains("error"));

    // Each direction names the installed language pair its translations come from, and the
    // program that gives them.
    const auto version = m_client->Get("/api/version");
    ASSERT_TRUE(version);
    // Kept in a variable: a range-for over .at() of a temporary would walk a destroyed object.
    const auto versionJson = nlohmann::json::parse(version->body);
    for (const auto& direction : versionJson.at("directions")) {
        const auto fingerprint = direction.at("fingerprint").get<std::string>();
        EXPECT_TRUE(fingerprint.starts_with("apertium-eng-spa ")) << version->body;
        EXPECT_NE(fingerprint.find(" host "), std::string::npos) << version->body;
        // A glossary term with a number as a word would stop clients joining numbered rows into
        // templates.
        EXPECT_TRUE(direction.at("numberTemplates").get<bool>()) << version->body;
    }
}

// Texts picked for what could go wrong between them in one segment: the stream's own special
// characters, sentence ends, line breaks, unknown words, and texts with nothing to translate.
const Texts kEnglishBatch = {
    "Total sales for the year",
    "[bracketed] a\\b ^caret$ path/to @user <tag> {brace}",
    "Is it red?",
    "Done.",
    "",
    "   ",
    " \n\t",
    "1,234.57",
    "  Unit price  ",
    "First line\nsecond line\n",
    "Flurbish zorbles",
    "Total sales for the year",
    "He said \"yes\"",
    "red\0car"s,
    "Q3 2024: 15% growth!",
    "etc.",
    "NAME",
    "name",
    // A text that ends like an abbreviation must not swallow the sentence end between texts.
    "Contact Mr",
    "Smith is here",
    "This License gives no",
    "permission to license the work",
    "Acme Inc",
    "sales",
};
const Texts kSpanishBatch = {
    "Ventas totales del año",
    "¿Dónde está el coche rojo?",
    "[caja] a\\b ^x$ c/d @e <f> {g}",
    "Hecho.",
    "",
    "  Precio unitario\n",
    "Línea uno\nlínea dos",
    "Flurbish zorbles",
    "12/31/2024",
    "¡Hola mundo!",
    "Llame al Sr",
    "García mañana",
    "Ver pág",
    "siguiente",
    "Acme S.A",
    "ventas",
};

TEST_F(PageHost, BatchesComeBackInOrderAsEachTextWouldAlone)
{
    for (const auto& [sl, tl, texts] : {std::tuple{"en", "es", kEnglishBatch}, std::tuple{"es", "en", kSpanishBatch}}) {
        const Texts batch = translated(sl, tl, texts);
        ASSERT_EQ(batch.size(), texts.size()) << sl;
        for (std::size_t i = 0; i < texts.size(); ++i) {
            const std::string& text = texts[i];
            const std::string& translation = batch[i];
            EXPECT_EQ(translation, translatedOne(sl, tl, text)) << sl << " #" << i;
            EXPECT_EQ(leadingSpace(translation), leadingSpace(text)) << sl << " #" << i;
            EXPECT_EQ(trailingSpace(translation), trailingSpace(text)) << sl << " #" << i;
            for (const char c : std::string("[]\\^$/@<>{}*#\n\0"s))
                EXPECT_EQ(std::count(translation.begin(), translation.end(), c),
                          std::count(text.begin(), text.end(), c))
                    << sl << " #" << i << " '" << c << "' in " << translation;
            const bool endsWithStop = !text.empty() && text.back() == '.';
            EXPECT_EQ(!translation.empty() && translation.back() == '.', endsWithStop) << translation;
        }
    }
}

TEST_F(PageHost, AWorkbooksFieldChoosesTheWordsItWritesItsOwnWay)
{
    // In a payroll sheet a "baja" is someone who left; a cell alone tells no field.
    const std::string payroll = R"("context":["Nómina de marzo","Salario bruto","Nº de empleado","Retención IRPF"])";
    const struct {
        std::string extra;
        int status;
        std::string field;
        std::string translation;
    } cases[] = {
        {"", 200, "", "Drops this month"},
        {payroll, 200, "hr-payroll", "Leavers this month"},
        {R"("field":"hr-payroll")", 200, "hr-payroll", "Leavers this month"},
        {R"("field":"",)" + payroll, 200, "", "Drops this month"},
        {R"("field":"no such field")", 400, "", ""},
    };
    for (const auto& c : cases) {
        const std::string body = std::string(R"({"sl":"es","tl":"en","q":["Bajas del mes","Bajas"])")
                                 + (c.extra.empty() ? "" : ",") + c.extra + "}";
        const auto result = m_client->Post("/api/translate", body, "application/json");
        ASSERT_TRUE(result) << body;
        EXPECT_EQ(result->status, c.status) << body;
        if (c.status != 200)
            continue;
        const auto answer = nlohmann::json::parse(result->body);
        EXPECT_EQ(answer.value("field", ""), c.field) << body;
        EXPECT_EQ(answer.at("translations").at(0), c.translation) << body;
        // The glossary's whole cell gives way to the field's word.
        EXPECT_EQ(answer.at("translations").at(1) == "Leavers", c.field == "hr-payroll") << body;
    }
    // So does a whole cell that is a multiword term the field renames: a clinic's "Fecha de alta".
    for (const auto& [field, translation] :
         {std::pair{"healthcare-admin", "Discharge date"}, {"hr-payroll", "Start date"}}) {
        const std::string body = std::string(R"({"sl":"es","tl":"en","q":["Fecha de alta"],"field":")") + field + "\"}";
        const auto result = m_client->Post("/api/translate", body, "application/json");
        ASSERT_TRUE(result && result->status == 200) << body;
        EXPECT_EQ(nlohmann::json::parse(result->body).at("translations").at(0), translation) << body;
    }
}

TEST_F(PageHost, ConcurrentClientsNeverGetEachOthersAnswers)
{
    const Texts english = {"The red car", "Total sales", "Unit price", "The big house", "Phone number", "Due date"};
    const Texts spanish = {"El coche rojo", "Ventas totales", "Precio unitario", "La casa grande", "Número", "Fecha"};
    Texts expectedEnglish, expectedSpanish;
    for (const auto& text : english)
        expectedEnglish.push_back(translatedOne("en", "es", text));
    for (const auto& text : spanish)
        expectedSpanish.push_back(translatedOne("es", "en", text));

    constexpr int kClients = 8;
    constexpr int kRounds = 15;
    std::vector<std::string> mistakes(kClients);
    std::vector<std::thread> clients;
    for (int c = 0; c < kClients; ++c) {
        clients.emplace_back([&, c] {
            auto client = m_host->client();
            const bool toSpanish = c % 2 == 0;
            const Texts& texts = toSpanish ? english : spanish;
            const Texts& expected = toSpanish ? expectedEnglish : expectedSpanish;
            for (int round = 0; round < kRounds; ++round) {
                // Each client its own rotation, alone or as a batch, so answers differ by client.
                const std::size_t first = static_cast<std::size_t>(c + round) % texts.size();
                const std::size_t count = 1 + static_cast<std::size_t>(round % 3);
                Texts batch, want;
                for (std::size_t k = 0; k < count; ++k) {
                    batch.push_back(texts[(first + k) % texts.size()]);
                    want.push_back(expected[(first + k) % texts.size()]);
                }
                const ApiAnswer answer = translate(*client, toSpanish ? "en" : "es", toSpanish ? "es" : "en", batch);
                if (answer.status != 200 || answer.body.at("translations").get<Texts>() != want)
                    mistakes[c] += "round " + std::to_string(round) + ": " + answer.body.dump() + "\n";
            }
        });
    }
    for (auto& client : clients)
        client.join();
    for (int c = 0; c < kClients; ++c)
        EXPECT_EQ(mistakes[c], "") << "client " << c;
}

TEST_F(PageHost, LimitsAreCheckedFromBothSides)
{
    // Digits only: these never reach a pipeline, so the test is about the limits alone.
    const auto bodyOfSize = [](std::size_t size) {
        nlohmann::json request = {{"sl", "en"}, {"tl", "es"}, {"q", Texts(32, std::string(32000, '7'))}};
        std::string body = request.dump();
        body.append(size - body.size(), ' ');
        return body;
    };
    const struct {
        const char* name;
        std::string body;
        int status;
    } cases[] = {
        {"body of 1 MiB", bodyOfSize(1 << 20), 200},
        {"body one byte over 1 MiB", bodyOfSize((1 << 20) + 1), 413},
        {"10000 texts", nlohmann::json{{"sl", "en"}, {"tl", "es"}, {"q", Texts(10000, "1")}}.dump(), 200},
        {"10001 texts", nlohmann::json{{"sl", "en"}, {"tl", "es"}, {"q", Texts(10001, "1")}}.dump(), 413},
        {"text of 32767 characters",
         nlohmann::json{{"sl", "en"}, {"tl", "es"}, {"q", {std::string(32767, '5')}}}.dump(), 200},
        {"text of 32768 characters",
         nlohmann::json{{"sl", "en"}, {"tl", "es"}, {"q", {std::string(32768, '5')}}}.dump(), 413},
        {"not JSON", "sl=en&tl=es", 400},
    };
    for (const auto& c : cases) {
        const auto result = m_client->Post("/api/translate", c.body, "application/json");
        ASSERT_TRUE(result) << c.name << ": " << httplib::to_string(result.error());
        EXPECT_EQ(result->status, c.status) << c.name << ": " << result->body.substr(0, 200);
        if (c.status != 200) {
            const auto error = nlohmann::json::parse(result->body, nullptr, false);
            EXPECT_TRUE(error.contains("error")) << c.name << ": " << result->body;
        }
    }
    EXPECT_EQ(translatedOne("en", "es", "The red car"), translatedOne("en", "es", "The red car"));
}

// A client socket driven by hand, for clients that misbehave.
class RawConnection {
public:
    explicit RawConnection(int port)
        : m_socket(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0))
    {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<std::uint16_t>(port));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        m_closed = connect(m_socket, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0;
    }
    ~RawConnection() { close(m_socket); }
    RawConnection(const RawConnection&) = delete;
    RawConnection& operator=(const RawConnection&) = delete;

    // Waits up to wait for the host, then reads what it answered and writes what it takes of the
    // data from sent on. False once the host has closed the connection.
    bool step(std::string_view data, std::size_t& sent, std::chrono::milliseconds wait)
    {
        pollfd descriptor = {m_socket, static_cast<short>(POLLIN | (sent < data.size() ? POLLOUT : 0)), 0};
        if (m_closed || poll(&descriptor, 1, static_cast<int>(wait.count())) <= 0)
            return !m_closed;
        if (descriptor.revents & (POLLIN | POLLHUP | POLLERR)) {
            char buffer[4096];
            const ssize_t n = recv(m_socket, buffer, sizeof buffer, MSG_DONTWAIT);
            m_closed = n == 0 || (n < 0 && errno != EAGAIN);
            m_answer.append(buffer, static_cast<std::size_t>(std::max<ssize_t>(n, 0)));
        }
        if (!m_closed && (descriptor.revents & POLLOUT)) {
            const ssize_t n = send(m_socket, data.data() + sent, data.size() - sent, MSG_DONTWAIT | MSG_NOSIGNAL);
            m_closed = n < 0 && errno != EAGAIN;
            sent += static_cast<std::size_t>(std::max<ssize_t>(n, 0));
        }
        return !m_closed;
    }

    const std::string& answer() const { return m_answer; }
    bool closed() const { return m_closed; }

private:
    int m_socket;
    bool m_closed = false;
    std::string m_answer;
};

TEST_F(PageHost, SlowClientsAreCutOffAndNeverHoldOthersUp)
{
    m_host.reset();
    startHost({"--arrival-timeout-ms", "1000"});
    const std::string host = "Host: 127.0.0.1:" + std::to_string(m_host->port()) + "\r\n";
    const std::string slowRequest = "POST /api/translate HTTP/1.1\r\n" + host + "X-Padding: " + std::string(200, 'a')
                                    + "\r\nContent-Type: application/json\r\nContent-Length: 2\r\n\r\n{}";
    const std::string healthRequest = "GET /health HTTP/1.1\r\n" + host + "Connection: close\r\n\r\n";
    constexpr int kSlow = 16;
    std::vector<std::unique_ptr<RawConnection>> slow;
    std::vector<std::size_t> sent(kSlow, 0);
    for (int i = 0; i < kSlow; ++i)
        slow.push_back(std::make_unique<RawConnection>(m_host->port()));
    RawConnection health(m_host->port());
    std::size_t healthSent = 0;

    // Each round lets every slow client send one more byte; waiting for an answer on the first
    // one still open paces the rounds (the wait ends early only when the host answers or closes it).
    for (std::size_t round = 1; round < 400; ++round) {
        health.step(healthRequest, healthSent, std::chrono::milliseconds(0));
        for (int i = 0; i < kSlow; ++i)
            slow[i]->step(std::string_view(slowRequest).substr(0, round), sent[i], std::chrono::milliseconds(0));
        const auto open = std::find_if(slow.begin(), slow.end(), [](const auto& client) { return !client->closed(); });
        if (open == slow.end() && health.closed())
            break;
        std::size_t nothing = 0;
        if (open != slow.end())
            (*open)->step({}, nothing, std::chrono::milliseconds(250));
    }
    EXPECT_EQ(health.answer().substr(0, 12), "HTTP/1.1 200") << health.answer();
    for (int i = 0; i < kSlow; ++i) {
        EXPECT_TRUE(slow[i]->closed()) << "slow client " << i << " still connected";
        EXPECT_LT(sent[i], slowRequest.size()) << "slow client " << i << " was served";
    }
}

TEST_F(PageHost, BodiesStopAtTheLimitWhateverTheirEncoding)
{
    const std::string frame = "10000\r\n" + std::string(0x10000, 'x') + "\r\n";
    constexpr std::size_t kGiveUpAfter = 64 << 20;
    const std::string apiHead = "POST /api/translate HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(m_host->port())
                                + "\r\nContent-Type: application/json\r\n";
    const std::string pageHead = "GET /health HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(m_host->port()) + "\r\n";
    const struct {
        const char* name;
        std::string head;
        const char* status;
    } cases[] = {
        {"chunked body to the API", apiHead + "Transfer-Encoding: chunked\r\n\r\n", "413"},
        {"1 GiB announced to the API", apiHead + "Content-Length: 1073741824\r\n\r\n", "413"},
        {"chunked body to a page", pageHead + "Transfer-Encoding: chunked\r\n\r\n", "400"},
    };
    for (const auto& c : cases) {
        RawConnection connection(m_host->port());
        std::size_t headSent = 0;
        while (headSent < c.head.size() && connection.step(c.head, headSent, std::chrono::seconds(1))) {}
        // Frames go out until the host answers, stops taking them (for ten quiet seconds), or has
        // taken far more than it should read.
        std::size_t bodySent = 0;
        for (int quiet = 0; quiet < 10 && connection.answer().empty() && bodySent < kGiveUpAfter;) {
            std::size_t sent = bodySent % frame.size();
            if (!connection.step(frame, sent, std::chrono::seconds(1)))
                break;
            quiet = sent == bodySent % frame.size() ? quiet + 1 : 0;
            bodySent += sent - bodySent % frame.size();
        }
        EXPECT_EQ(connection.answer().substr(0, 12), "HTTP/1.1 "s + c.status) << c.name << ": " << connection.answer();
        EXPECT_LT(bodySent, kGiveUpAfter) << c.name;
    }
    EXPECT_EQ(translatedOne("en", "es", "The red car"), translatedOne("en", "es", "The red car"));
}

TEST_F(PageHost, WithoutApertiumModesItSaysWhyInsteadOfTranslating)
{
    m_host.reset();
    startHost({"--modes", "/nonexistent-apertium-modes"});
    const auto health = m_client->Get("/health");
    ASSERT_TRUE(health);
    EXPECT_EQ(health->status, 503);
    EXPECT_TRUE(contains(health->body, "/nonexistent-apertium-modes/eng-spa.mode")) << health->body;
    const ApiAnswer answer = translate(*m_client, "en", "es", {"The red car"});
    EXPECT_EQ(answer.status, 503);
    EXPECT_TRUE(contains(answer.body.value("error", ""), "not available")) << answer.body.dump();
    const auto page = m_client->Get("/translate_t?sl=en&tl=es&text=");
    ASSERT_TRUE(page);
    EXPECT_EQ(page->status, 200);
}

std::optional<HostProcess::Child> childRunning(const HostProcess& host, const std::string& part)
{
    for (const auto& child : host.children()) {
        if (contains(child.commandLine, part))
            return child;
    }
    return std::nullopt;
}

// The host's lines about restarted pipelines, each cut after "restarted" (the cause varies with
// the moment the pipeline's end was noticed).
std::string restartLines(const HostProcess& host)
{
    std::istringstream errors(host.errorOutput());
    std::string lines;
    for (std::string line; std::getline(errors, line);) {
        if (const auto end = line.find(" restarted"); end != std::string::npos)
            lines += line.substr(0, end + 10) + '\n';
    }
    return lines;
}

TEST_F(PageHost, APipelineThatDiesIsRestartedAndNoAnswerIsWrong)
{
    const std::string expected = translatedOne("en", "es", "The red car");
    const auto victim = childRunning(*m_host, "eng-spa.t1x.bin");
    ASSERT_TRUE(victim);
    ASSERT_EQ(kill(victim->pid, SIGKILL), 0);

    // The first request may still find the dying pipeline (503); it must never get a wrong text.
    const ApiAnswer first = translate(*m_client, "en", "es", {"The red car"});
    if (first.status == 200)
        EXPECT_EQ(first.body.at("translations").at(0), expected);
    else
        EXPECT_EQ(first.status, 503) << first.body.dump();
    EXPECT_EQ(translatedOne("en", "es", "The red car"), expected);
    EXPECT_FALSE(processRunning(victim->pid));
    EXPECT_TRUE(childRunning(*m_host, "eng-spa.t1x.bin"));
    EXPECT_EQ(restartLines(*m_host), "veltrano-pagehost: English to Spanish pipeline restarted\n")
        << m_host->errorOutput();
}

TEST_F(PageHost, APipelineThatHangsIsRestartedAfterItsTimeout)
{
    m_host.reset();
    startHost({"--timeout-ms", "1000"});
    const std::string expected = translatedOne("es", "en", "El coche rojo");
    const auto victim = childRunning(*m_host, "spa-eng.autogen.bin");
    ASSERT_TRUE(victim);
    ASSERT_EQ(kill(victim->pid, SIGSTOP), 0);

    const ApiAnswer hung = translate(*m_client, "es", "en", {"El coche rojo"});
    EXPECT_EQ(hung.status, 503);
    EXPECT_TRUE(contains(hung.body.value("error", ""), "did not answer")) << hung.body.dump();
    EXPECT_EQ(translatedOne("es", "en", "El coche rojo"), expected);
    EXPECT_FALSE(processRunning(victim->pid));
    EXPECT_EQ(restartLines(*m_host), "veltrano-pagehost: Spanish to English pipeline restarted\n")
        << m_host->errorOutput();
    EXPECT_TRUE(contains(m_host->errorOutput(), "did not answer within")) << m_host->errorOutput();
}

TEST_F(PageHost, StopsOnSigtermOrSigintLeavingNoPipelineBehind)
{
    for (const int signal : {SIGTERM, SIGINT}) {
        if (!m_host)
            startHost();
        translatedOne("en", "es", "ready");
        const auto children = m_host->children();
        EXPECT_GE(children.size(), 2u);
        const int status = m_host->stopWith(signal);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "signal " << signal << ", status " << status;
        for (const auto& child : children)
            EXPECT_FALSE(processRunning(child.pid)) << child.commandLine;
        m_host.reset();
    }
}

TEST(PageHostParent, TheHostEndsWhenItsParentDies)
{
    int output[2];
    ASSERT_EQ(pipe(output), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, output[0]);
    const std::string script = "\"$0\" --port 0 & echo \"host $!\"; wait";
    const std::string executable = hostExecutable();
    const char* argv[] = {"sh", "-c", script.c_str(), executable.c_str(), nullptr};
    pid_t shell = 0;
    ASSERT_EQ(posix_spawn(&shell, "/bin/sh", &actions, nullptr, const_cast<char**>(argv), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    close(output[1]);

    // Both lines, in either order: the host's pid from the shell, the address from the host.
    std::string lines;
    char c = 0;
    while (std::count(lines.begin(), lines.end(), '\n') < 2 && read(output[0], &c, 1) == 1)
        lines += c;
    const auto hostAt = lines.find("host ");
    ASSERT_NE(hostAt, std::string::npos) << lines;
    ASSERT_NE(lines.find("listening on 127.0.0.1:"), std::string::npos) << lines;
    const pid_t host = std::stoi(lines.substr(hostAt + 5));
    close(output[0]);
    // Readable once the host has ended; not our child, so waitpid cannot tell.
    const int hostEnded = static_cast<int>(syscall(SYS_pidfd_open, host, 0));
    ASSERT_GE(hostEnded, 0);

    kill(shell, SIGKILL);
    waitpid(shell, nullptr, 0);
    pollfd ended = {hostEnded, POLLIN, 0};
    // The bound only keeps a broken build from hanging the test.
    const bool hostGone = poll(&ended, 1, 30000) == 1;
    EXPECT_TRUE(hostGone) << "the host still runs";
    if (!hostGone)
        kill(host, SIGKILL);
    close(hostEnded);
}

}  // namespace
}  // namespace veltrano::pagehost::testing
