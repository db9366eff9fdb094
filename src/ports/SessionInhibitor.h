// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace aurelith {

// Keeps the desktop from blanking the screen (while the strobe flashes) or
// from suspending (while sound plays). Each hold is released by the same call
// with false; holding twice or releasing twice is harmless.
class SessionInhibitor {
public:
    virtual ~SessionInhibitor() = default;
    virtual void holdScreenAwake(bool hold) = 0;
    virtual void holdSystemAwake(bool hold) = 0;
};

class NoSessionInhibitor : public SessionInhibitor {
public:
    void holdScreenAwake(bool) override {}
    void holdSystemAwake(bool) override {}
};

} // namespace aurelith
