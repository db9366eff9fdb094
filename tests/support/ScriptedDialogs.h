// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ports/Dialogs.h"

#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace aurelith {

// Dialogs answered from a script: every box shown is recorded, and the answers
// to questions are queued up front (unanswered questions get No / cancel).
class ScriptedDialogs : public Dialogs {
public:
    struct Shown {
        std::string kind; // "message", "confirm", "input", "colour"
        std::string text; // the colour a colour dialog opened on, in decimal
        std::string title;
    };

    void message(const std::string& text, const std::string& title) override;
    bool confirm(const std::string& text, const std::string& title) override;
    std::optional<std::string> input(const std::string& prompt, const std::string& title,
                                     const std::string& initial) override;
    std::optional<Colour> pickColour(Colour initial) override;
    void notice(const std::string& text, const std::string& title) override;

    void answerConfirm(bool yes) { confirms.push_back(yes); }
    void answerInput(std::optional<std::string> text) { inputs.push_back(std::move(text)); }
    void answerColour(std::optional<Colour> colour) { colours.push_back(colour); }

    std::vector<std::string> messages() const;
    // The notices, kept apart from the boxes: they hold nothing up.
    std::vector<std::string> notices() const;

    // Runs while a message box is open, as the user's time passes.
    std::function<void()> whileShown;

    std::vector<Shown> shown;
    std::vector<Shown> noticesShown;
    std::deque<bool> confirms;
    std::deque<std::optional<std::string>> inputs;
    std::deque<std::optional<Colour>> colours;
};

} // namespace aurelith
