// veltrano-pagehost: the local translation page and its JSON API, on 127.0.0.1 only.
//   veltrano-pagehost --port N [--modes DIR] [--timeout-ms N] [--arrival-timeout-ms N] [--jobs N] [--no-warm-up]
// Prints "listening on 127.0.0.1:PORT" as its first line once it accepts requests; stops on
// SIGTERM or SIGINT, and when the process that started it ends.

#include "pagehost/bounded_server.h"
#include "pagehost/handlers.h"
#include "pagehost/options.h"
#include "pagehost/pool_size.h"
#include "pagehost/stop_signals.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <iostream>
#include <thread>

using namespace veltrano::pagehost;

int main(int argc, char* argv[])
{
    const StopSignals stopSignals = StopSignals::takeOver();
    if (stopSignals.parentAlreadyGone())
        return 0;
    raiseOpenFileLimit();
    const auto options = parseOptions(argc, argv);
    if (!options) {
        std::cerr << "veltrano-pagehost: " << options.error().message << '\n' << usage();
        return 2;
    }
    if (options.value().helpWanted || options.value().versionWanted) {
        std::cout << (options.value().helpWanted ? usage() : versionLine());
        return 0;
    }
    const std::size_t jobs = options.value().jobs > 0 ? options.value().jobs : defaultPipelines(usableCores());
    TranslationService service(apertiumDirections(options.value().modesDir, options.value().translator, jobs));
    const ApiLimits limits;

    BoundedServer server(options.value().server);
    // Headers and body go out in separate writes; without this, each answer waits on the
    // client's delayed acknowledgement (tens of milliseconds per request). Set on the listening
    // socket, so before it is bound.
    server.set_tcp_nodelay(true);
    const int port = bindLoopback(server, options.value().port);
    if (port < 0) {
        std::cerr << "veltrano-pagehost: cannot listen on 127.0.0.1:" << options.value().port << '\n';
        return 1;
    }
    server.set_pre_routing_handler([&limits, port](const httplib::Request& request, httplib::Response& response) {
        if (refuseForeignRequest(request, response, port) == httplib::Server::HandlerResponse::Handled)
            return httplib::Server::HandlerResponse::Handled;
        return refuseUnreadBody(request, response, limits);
    });
    server.Get("/translate_t", [&](const httplib::Request& request, httplib::Response& response) {
        servePage(request, response, service);
    });
    server.Post(std::string(kTranslateRoute),
                [&](const httplib::Request& request, httplib::Response& response, const httplib::ContentReader& body) {
                    serveTranslate(request, response, body, service, limits);
                });
    server.Get("/api/version", [&](const httplib::Request& request, httplib::Response& response) {
        serveVersion(request, response, service);
    });
    server.Get("/health", [&](const httplib::Request& request, httplib::Response& response) {
        serveHealth(request, response, service);
    });
    server.set_exception_handler(reportException);
    server.set_error_handler(describeError);

    std::atomic<bool> listenEnded = false;
    auto stopper = stopSignals.stopOnSignal([&server, &listenEnded] {
        // A stop before the accept loop runs would be lost, and the signal can come as soon as
        // the address is printed.
        while (!server.is_running() && !listenEnded)
            std::this_thread::yield();
        server.stop();
    });
    // Started in the background so the address goes out at once; a caller that may need no
    // translation at all (a batch answered from its memory) asks for none.
    std::jthread warmer([&service, warm = options.value().warmUp] {
        if (warm)
            service.warmUp();
    });

    std::printf("listening on 127.0.0.1:%d\n", port);
    std::fflush(stdout);
    const bool served = server.listen_after_bind();
    listenEnded = true;
    return served ? 0 : 1;
}
