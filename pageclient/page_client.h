#pragma once
// The translation page as the cell walks see it: hold the page's document for a walk, and
// exchange one cell text at a time. Behind this interface so that walks can be tested with a
// client that needs no browser.

#include <QString>
#include <QStringList>

#include <utility>

namespace veltrano::pageclient {

// What one exchange gave back.
class CellTranslation {
public:
    enum class Outcome {
        Translated,  // text() is the translation, never empty
        NoResult,    // the page has no "result_box": the cell is left as it is
        Failed,      // the exchange could not be made; failure() says what and why
    };

    static CellTranslation translated(QString text) { return {Outcome::Translated, std::move(text)}; }
    static CellTranslation noResult() { return {Outcome::NoResult, {}}; }
    static CellTranslation failed(QString why) { return {Outcome::Failed, std::move(why)}; }

    Outcome outcome() const { return m_outcome; }
    // The translation; empty unless Translated.
    QString text() const { return m_outcome == Outcome::Translated ? m_detail : QString(); }
    // The reason of a failure; empty unless Failed.
    QString failure() const { return m_outcome == Outcome::Failed ? m_detail : QString(); }

private:
    CellTranslation(Outcome outcome, QString detail)
        : m_outcome(outcome),
          m_detail(std::move(detail))
    {}

    Outcome m_outcome;
    QString m_detail;
};

class PageClient {
public:
    virtual ~PageClient() = default;

    // Takes the document the page shows now and holds it, in place of any held one; holds
    // nothing when no page has been loaded.
    virtual void takeDocument() = 0;
    // Lets go of the held document (the end of a walk).
    virtual void releaseDocument() = 0;
    // Translates one non-empty cell text through the page, pumping the window's events while
    // it waits; only one exchange at a time.
    virtual CellTranslation TranslateCellText(const QString& text) = 0;
    // Before a walk's first exchange: the texts of its cells, so that the page translates each
    // for the field of the workbook they come from. Nothing to do for a page that cannot.
    virtual void readAhead(const QStringList& /*texts*/) {}
};

}  // namespace veltrano::pageclient
