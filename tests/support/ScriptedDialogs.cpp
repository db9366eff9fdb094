// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/ScriptedDialogs.h"

namespace aurelith {

void ScriptedDialogs::message(const std::string& text, const std::string& title)
{
    shown.push_back({"message", text, title});
    if (whileShown)
        whileShown();
}

bool ScriptedDialogs::confirm(const std::string& text, const std::string& title)
{
    shown.push_back({"confirm", text, title});
    if (confirms.empty())
        return false;
    const bool yes = confirms.front();
    confirms.pop_front();
    return yes;
}

std::optional<std::string> ScriptedDialogs::input(const std::string& prompt, const std::string& title,
                                                  const std::string&)
{
    shown.push_back({"input", prompt, title});
    if (inputs.empty())
        return std::nullopt;
    auto answer = inputs.front();
    inputs.pop_front();
    return answer;
}

std::optional<Colour> ScriptedDialogs::pickColour(Colour initial)
{
    shown.push_back({"colour", std::to_string(initial), ""});
    if (colours.empty())
        return std::nullopt;
    auto answer = colours.front();
    colours.pop_front();
    return answer;
}

void ScriptedDialogs::notice(const std::string& text, const std::string& title)
{
    noticesShown.push_back({"notice", text, title});
}

namespace {
std::vector<std::string> textsOf(const std::vector<ScriptedDialogs::Shown>& shown, std::string_view kind)
{
    std::vector<std::string> texts;
    for (const ScriptedDialogs::Shown& s : shown)
        if (s.kind == kind)
            texts.push_back(s.text);
    return texts;
}
} // namespace

std::vector<std::string> ScriptedDialogs::messages() const { return textsOf(shown, "message"); }

std::vector<std::string> ScriptedDialogs::notices() const { return textsOf(noticesShown, "notice"); }

} // namespace aurelith
