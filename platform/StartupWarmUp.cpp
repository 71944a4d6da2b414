#include "platform/StartupWarmUp.h"

#include "platform/ThreadPlacement.h"

#include <system_error>
#include <utility>

StartupWarmUp::StartupWarmUp()
    : m_mainProcessor(currentProcessor())
{
    try {
        m_thread = std::thread(&StartupWarmUp::run, this);
    } catch (const std::system_error &) {
        m_configurationRead = true; // no thread: nobody waits for it
    }
}

StartupWarmUp::~StartupWarmUp()
{
    finish();
}

void StartupWarmUp::run()
{
    {
        // A new thread tends to be placed on, or woken onto, the processor of
        // the thread that made it, and to take it over; the main thread, then
        // setting up the display connection, waits until the scheduler moves
        // one of them, which can take a whole clock tick. Kept apart, the two
        // run side by side.
        const ProcessorAvoidance apart(m_mainProcessor);
        readFontConfiguration();
    }
    std::function<void()> work;
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_configurationRead = true;
        m_changed.notify_all();
        m_changed.wait(lock, [this] { return m_work || m_closing; });
        work = std::move(m_work);
    }
    if (!work)
        return;
    try {
        work();
    } catch (...) {
        // Whatever it left undone is done again where it is needed.
    }
}

void StartupWarmUp::thenRun(std::function<void()> work)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    // Were the toolkit to start reading the configuration too, both threads
    // would do the whole work; waiting here costs nothing more than that.
    m_changed.wait(lock, [this] { return m_configurationRead; });
    if (m_thread.joinable() && !m_closing) {
        m_work = std::move(work);
        m_changed.notify_all();
    }
}

void StartupWarmUp::finish()
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_closing = true;
    }
    m_changed.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}
