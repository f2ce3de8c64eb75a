#include "Utils/BothAtOnce.h"

#include "Utils/KeptThread.h"

#include <exception>
#include <optional>
#include <system_error>
#include <thread>

void bothAtOnce(const std::function<void()>& first, const std::function<void()>& second) {
    std::exception_ptr firstFailure;
    std::optional<BesideWork> beside;
    if (std::thread::hardware_concurrency() != 1) {
        try {
            beside.emplace([&] {
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
    if (!beside) {
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
    beside.reset();
    if (firstFailure)
        std::rethrow_exception(firstFailure);
    if (secondFailure)
        std::rethrow_exception(secondFailure);
}
