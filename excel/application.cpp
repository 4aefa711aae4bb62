#include "excel/application.h"

#include "excel/workbook_state.h"
#include "excel/workbook_window.h"

namespace veltrano::excel {

struct Application::Impl {
    std::shared_ptr<Session> session = std::make_shared<Session>();
    std::unique_ptr<WorkbookWindow> window;

    Session& liveSession() const
    {
        if (!session)
            throw ExcelError::at({}, "The Excel instance has quit.");
        return *session;
    }

    // The window over the last workbook opened, made anew when another has been opened since.
    WorkbookWindow& windowOverLastWorkbook()
    {
        Session& live = liveSession();
        if (live.workbooks.empty())
            throw ExcelError::at({}, "No workbook is open in this Excel instance.");
        spreadsheet::Workbook& last = live.workbooks.back()->book;
        if (!window || &window->workbook() != &last)
            window = std::make_unique<WorkbookWindow>(last);
        return *window;
    }
};

Application::Impl& Application::live() const
{
    if (!m_impl)
        throw ExcelError::at({}, "The Excel instance has quit.");
    return *m_impl;
}

Application::Application()
    : m_impl(std::make_unique<Impl>())
{}

Application::~Application()
{
    if (m_impl)
        Quit();
}

Application::Application(Application&&) noexcept = default;

Application& Application::operator=(Application&& other) noexcept
{
    if (this != &other) {
        if (m_impl)
            Quit();
        m_impl = std::move(other.m_impl);
    }
    return *this;
}

class Workbooks Application::Workbooks() const
{
    live().liveSession();
    return excel::Workbooks(m_impl->session);
}

bool Application::Visible() const
{
    return m_impl && m_impl->window && m_impl->window->isVisible();
}

void Application::setVisible(bool visible)
{
    Impl& impl = live();
    if (!visible) {
        if (impl.window)
            impl.window->hide();
        return;
    }
    WorkbookWindow& window = impl.windowOverLastWorkbook();
    window.show();
    window.raise();
}

std::optional<Range> Application::InputBox(const std::string& prompt, int type)
{
    Impl& impl = live();
    if (type != kInputBoxRange)
        throw ExcelError::at({}, "InputBox Type " + std::to_string(type)
                                     + " is not offered; only Type 8 (a block of cells) is.");
    WorkbookWindow& window = impl.windowOverLastWorkbook();
    const std::weak_ptr<WorkbookState> workbook = impl.session->workbooks.back();
    const auto block = window.askForBlock(QString::fromStdString(prompt));
    if (!block)
        return std::nullopt;
    // The instance may have quit while the window waited.
    if (workbook.expired())
        throw ExcelError::at({}, "The Excel instance quit while it asked for a block of cells.");
    return Range(workbook, block->worksheet, block->range, Range::Axis::Cells);
}

void Application::Quit()
{
    if (!m_impl)
        return;
    if (m_impl->window && m_impl->window->isAsking()) {
        // Quit came from a handler run inside the window's own wait: end the wait, and let the
        // window go once that wait has returned.
        m_impl->window->close();
        m_impl->window.release()->deleteLater();
    }
    m_impl->window.reset();
    m_impl->session.reset();
}

WorkbookWindow* Application::window() const
{
    return m_impl ? m_impl->window.get() : nullptr;
}

}  // namespace veltrano::excel
