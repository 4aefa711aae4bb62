#pragma once
// A page client for walk tests: answers at once by a rule, can fail on the n-th exchange, and
// records what it was asked in order ("take", each text, "release").

#include "pageclient/page_client.h"

#include <QStringList>

#include <functional>

namespace veltrano::pageclient::testing {

class FakePageClient final : public PageClient {
public:
    std::function<CellTranslation(const QString&)> answer = [](const QString& text) {
        return CellTranslation::translated(text.toUpper());
    };
    int failOnExchange = 0;  // 1-based; 0 never fails
    QStringList sent;
    QStringList log;

    void takeDocument() override { log << "take"; }
    void releaseDocument() override { log << "release"; }
    CellTranslation TranslateCellText(const QString& text) override
    {
        sent << text;
        log << text;
        if (sent.size() == failOnExchange)
            return CellTranslation::failed(QStringLiteral("the page went away"));
        return answer(text);
    }
};

}  // namespace veltrano::pageclient::testing
