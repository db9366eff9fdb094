// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/ScriptedDialogs.h"

namespace aurelith {

namespace {
// The next answer queued, or `otherwise` when none is.
template <class T>
T nextAnswer(std::deque<T>& answers, T otherwise)
{
    if (answers.empty())
        return otherwise;
    T answer = std::move(answers.front());
    answers.pop_front();
    return answer;
}
} // namespace

void ScriptedDialogs::message(const std::string& text, const std::string& title)
{
    shown.push_back({"message", text, title});
    if (whileShown)
        whileShown();
}

bool ScriptedDialogs::confirm(const std::string& text, const std::string& title)
{
    shown.push_back({"confirm", text, title});
    return nextAnswer(confirms, false);
}

std::optional<std::string> ScriptedDialogs::input(const std::string& prompt, const std::string& title,
                                                  const std::string&)
{
    shown.push_back({"input", prompt, title});
    return nextAnswer<std::optional<std::string>>(inputs, std::nullopt);
}

std::optional<Colour> ScriptedDialogs::pickColour(Colour initial)
{
    shown.push_back({"colour", std::to_string(initial), ""});
    return nextAnswer<std::optional<Colour>>(colours, std::nullopt);
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
