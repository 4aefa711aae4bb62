#include "tests/pageclient/test_page_server.h"

#include <httplib.h>

#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace veltrano::pageclient::testing {

namespace {

// Behaves as the real page does: watches "source" and, when its value differs from the last
// one handled, clears "result_box" and later fills it if "source" still holds that text.
// Texts containing "slow" take `slowMs`, others `delayMs`.
std::string translatingPage(int delayMs, int slowMs)
{
    return "<!doctype html><html><body>"
           "<input id='source'><div id='result_box' style='white-space:pre-wrap'></div>"
           "<div id='error_box'></div><script>"
           "var last = '';"
           "setInterval(function () {"
           " var value = document.getElementById('source').value;"
           " if (value === last) return;"
           " last = value;"
           " document.getElementById('result_box').innerText = '';"
           " var delay = value.indexOf('slow') >= 0 ? "
           + std::to_string(slowMs) + " : " + std::to_string(delayMs)
           + ";"
             " setTimeout(function () {"
             "  if (document.getElementById('source').value === value && value !== '')"
             "   document.getElementById('result_box').innerText = '<' + value.toUpperCase() + '>';"
             " }, delay);"
             "}, 50);"
             "</script></body></html>";
}

const char* kNoResultPage = "<!doctype html><html><body><input id='source'></body></html>";
const char* kNoSourcePage = "<!doctype html><html><body><div id='result_box'>old</div></body></html>";
const char* kSilentPage = "<!doctype html><html><body><input id='source'><div id='result_box'></div></body></html>";
const char* kFailingPage =
    "<!doctype html><html><body><input id='source'><div id='result_box'></div><div id='error_box'></div>"
    "<script>var last = ''; setInterval(function () {"
    " var value = document.getElementById('source').value; if (value === last) return; last = value;"
    " document.getElementById('error_box').innerText = 'the translator is not installed';"
    "}, 50);</script></body></html>";

// Like the real page, counts writes to "source" (a value set again is seen too), and asks again
// when a text whose attempt failed is written again. The first attempt at each text fails.
const char* kFailsOncePage =
    "<!doctype html><html><body><input id='source'><div id='result_box'></div><div id='error_box'></div>"
    "<script>"
    "var source = document.getElementById('source'), result = document.getElementById('result_box'),"
    "    error = document.getElementById('error_box');"
    "var last = '', failed = false, writes = 0, seen = 0, attempts = {};"
    "var plain = Object.getOwnPropertyDescriptor(HTMLInputElement.prototype, 'value');"
    "Object.defineProperty(source, 'value', { configurable: true,"
    " get: function () { return plain.get.call(this); },"
    " set: function (v) { plain.set.call(this, v); ++writes; } });"
    "setInterval(function () {"
    " var value = source.value, written = writes !== seen; seen = writes;"
    " if (value === last && !(written && failed)) return;"
    " last = value; failed = false; result.innerText = ''; error.innerText = '';"
    " attempts[value] = (attempts[value] || 0) + 1;"
    " setTimeout(function () {"
    "  if (source.value !== value) return;"
    "  if (attempts[value] === 1) { failed = true; error.innerText = 'busy, try again'; }"
    "  else result.innerText = '<' + value.toUpperCase() + '>';"
    " }, 100);"
    "}, 50);"
    "</script></body></html>";

int intParam(const httplib::Request& request, const char* name, int fallback)
{
    return request.has_param(name) ? std::stoi(request.get_param_value(name)) : fallback;
}

}  // namespace

struct TestPageServer::Impl {
    httplib::Server server;
    std::thread thread;
    int port = 0;
    mutable std::mutex mutex;
    std::vector<std::string> requests;
};

TestPageServer::TestPageServer()
    : m_impl(std::make_unique<Impl>())
{
    auto& server = m_impl->server;
    // One request per connection, so stopping never waits for an idle browser connection.
    server.set_keep_alive_max_count(1);
    server.set_logger([impl = m_impl.get()](const httplib::Request& request, const httplib::Response&) {
        const std::lock_guard lock(impl->mutex);
        impl->requests.push_back(request.target);
    });
    auto html = [](const std::string& body) {
        return [body](const httplib::Request&, httplib::Response& response) {
            response.set_content(body, "text/html; charset=utf-8");
        };
    };
    server.Get("/translate_t", [](const httplib::Request& request, httplib::Response& response) {
        response.set_content(translatingPage(intParam(request, "delay", 100), intParam(request, "slow", 4000)),
                             "text/html; charset=utf-8");
    });
    server.Get("/no-result", html(kNoResultPage));
    server.Get("/no-source", html(kNoSourcePage));
    server.Get("/silent", html(kSilentPage));
    server.Get("/failing", html(kFailingPage));
    server.Get("/fails-once", html(kFailsOncePage));
    m_impl->port = server.bind_to_any_port("127.0.0.1");
    // The socket is bound and listening already, so requests queue until the thread accepts.
    m_impl->thread = std::thread([&server] { server.listen_after_bind(); });
    // stop() does nothing to a server whose loop has not begun yet, so a server stopped too
    // early would listen on forever; the loop is known to run once is_running() says so.
    while (!server.is_running())
        std::this_thread::yield();
}

TestPageServer::~TestPageServer()
{
    m_impl->server.stop();
    m_impl->thread.join();
}

QString TestPageServer::host() const
{
    return QStringLiteral("127.0.0.1:%1").arg(m_impl->port);
}

QString TestPageServer::address(const QString& pathAndQuery) const
{
    return QStringLiteral("http://") + host() + pathAndQuery;
}

QStringList TestPageServer::requests() const
{
    const std::lock_guard lock(m_impl->mutex);
    QStringList list;
    for (const std::string& request : m_impl->requests)
        list << QString::fromStdString(request);
    return list;
}

}  // namespace veltrano::pageclient::testing
