// Two pieces of work that share nothing they change, done at once on two threads where the
// machine has more than one core, else (or where no thread is to be had) one after the other.
#pragma once

#include <functional>

// Runs `first` beside this thread (BesideWork) and `second` on this one, and returns once both have
// ended; what either throws comes out here then, the first's before the second's.
void bothAtOnce(const std::function<void()>& first, const std::function<void()>& second);
