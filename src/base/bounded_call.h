#pragma once
// A call that the caller waits for with a bound: for blocking calls of the
// system that take no time-out of their own (or ignore it).
#include <functional>
#include <stdexcept>
#include <string>

class CallTimedOut : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Runs `work` on a thread of its own and waits at most `ms` milliseconds. An
// exception of `work` is raised here. When it does not end in time,
// CallTimedOut("<what> did not end within N s") is raised and the thread is
// left to end alone: `work` must own (share) everything it touches.
void callWithin(unsigned long ms, const std::string& what, std::function<void()> work);
