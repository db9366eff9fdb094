// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Rules the code relies on, checked where they are stated. A build with
// assertions (NDEBUG undefined: the sanitizer and fuzz presets) stops at the
// first broken rule, so a test sees it at once; the release program writes it
// to stderr and takes the recovery the caller gives, since a listener's
// session is worth more than the stop.
//
//   AURELITH_VERIFY(depth > 0) { return; }   // the block is the recovery
//   AURELITH_VERIFY_THREAD(window_);         // only a message in release

#include <cstdio>
#include <cstdlib>
#include <thread>

namespace aurelith::contract {

// Reports a broken rule; aborts with assertions, else returns true so the
// caller's recovery runs.
[[gnu::cold]] inline bool broken(const char* rule, const char* file, int line)
{
    std::fprintf(stderr, "aurelith: broken rule \"%s\" at %s:%d\n", rule, file, line);
#ifndef NDEBUG
    std::abort();
#else
    return true;
#endif
}

// The one thread a side of an object belongs to: the one that made it, until
// it is handed on.
class ThreadAffinity {
public:
    ThreadAffinity() = default;
    bool here() const { return std::this_thread::get_id() == owner_; }
    std::thread::id owner() const { return owner_; }

private:
    std::thread::id owner_ = std::this_thread::get_id();
};

} // namespace aurelith::contract

#define AURELITH_VERIFY(condition)                                                                                     \
    if (!static_cast<bool>(condition) && ::aurelith::contract::broken(#condition, __FILE__, __LINE__))

// The calling thread is the affinity's owner; `what` names the side, as
// "the mixer's window side".
#define AURELITH_VERIFY_THREAD(affinity, what)                                                                         \
    do {                                                                                                               \
        if (!(affinity).here())                                                                                        \
            ::aurelith::contract::broken(what " called from another thread", __FILE__, __LINE__);                      \
    } while (false)
