#pragma once
// A local web server with translation pages of our own for the page client's tests: a page
// that translates (by upper-casing between angle brackets) after a chosen delay, and pages
// that lack an element, fail always or once, or never answer. It records the address of every request.

#include <QString>
#include <QStringList>

#include <memory>

namespace veltrano::pageclient::testing {

class TestPageServer {
public:
    // Starts listening on 127.0.0.1 at a port the system picks; ready when constructed.
    TestPageServer();
    ~TestPageServer();

    // "127.0.0.1:PORT".
    QString host() const;
    // "http://127.0.0.1:PORT" + path.
    QString address(const QString& pathAndQuery) const;
    // Path and query of every request so far, oldest first.
    QStringList requests() const;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

}  // namespace veltrano::pageclient::testing
