#pragma once

#include <exception>
#include <system_error>
#include <thread>

// Runs `there` on a second thread while `here` runs on this one, and returns
// when both are done. Where no thread can be started, runs both here, `there`
// first. A failure of either comes back to the caller, the other's work
// finished first; when both fail, `here`'s.
template<typename There, typename Here>
void sideBySide(There &&there, Here &&here)
{
    std::exception_ptr failed;
    auto guarded = [&] {
        try {
            there();
        } catch (...) {
            failed = std::current_exception();
        }
    };
    std::thread second;
    try {
        second = std::thread(guarded);
    } catch (const std::system_error &) {
        guarded();
    }
    try {
        here();
    } catch (...) {
        if (second.joinable())
            second.join();
        throw;
    }
    if (second.joinable())
        second.join();
    if (failed)
        std::rethrow_exception(failed);
}
