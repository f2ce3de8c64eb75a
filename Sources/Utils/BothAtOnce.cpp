#include "Utils/BothAtOnce.h"

#include <exception>
#include <system_error>
#include <thread>

void bothAtOnce(const std::function<void()>& first, const std::function<void()>& second) {
    std::exception_ptr firstFailure;
    std::thread thread;
    if (std::thread::hardware_concurrency() != 1) {
        try {
            thread = std::thread([&] {
                try {
                    first();
                } catch (...) {
                    firstFailure = std::current_exception();
                }
            });
        } catch (const std::system_error&) {
            // No thread to be had: both run here.
        }
    }
    if (!thread.joinable()) {
        first();
        second();
        return;
    }
    std::exception_ptr secondFailure;
    try {
        second();
    } catch (...) {
        secondFailure = std::current_exception();
    }
    thread.join();
    if (firstFailure)
        std::rethrow_exception(firstFailure);
    if (secondFailure)
        std::rethrow_exception(secondFailure);
}
