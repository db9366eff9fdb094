// SPDX-License-Identifier: GPL-3.0-or-later
#include "events/CommandLine.h"

#include "core/Value.h"

namespace aurelith {
namespace {

// Inside double quotes a backslash escapes only these; before anything else it stays.
bool escapableInDoubleQuotes(char c) { return c == '"' || c == '\\' || c == '$' || c == '`' || c == '\n'; }

bool isPlain(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
           std::string_view("_@%+=:,./-").find(c) != std::string_view::npos;
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Characters the data record cannot hold as they are: it turns " into ' and
// ends at a line break.
bool unstorable(char c) { return c == '"' || c == '\n' || c == '\r'; }

} // namespace

namespace {

// Reads one line as the shell would split it into words, without expanding anything.
class Splitter {
public:
    explicit Splitter(std::string_view line) : line_(line) {}

    std::optional<std::vector<std::string>> words()
    {
        while (i_ < line_.size()) {
            const char c = line_[i_];
            bool closed = true;
            if (isBlank(c))
                endWord();
            else if (c == '\'')
                closed = singleQuoted();
            else if (c == '"')
                closed = doubleQuoted();
            else if (c == '\\')
                escaped();
            else if (c == '$' && i_ + 1 < line_.size() && line_[i_ + 1] == '\'')
                closed = ansiQuoted();
            else
                take(c, 1);
            if (!closed)
                return std::nullopt;
        }
        if (inWord_)
            words_.push_back(std::move(word_));
        return std::move(words_);
    }

private:
    void take(char c, size_t width)
    {
        word_ += c;
        inWord_ = true;
        i_ += width;
    }

    void endWord()
    {
        if (inWord_)
            words_.push_back(std::move(word_));
        word_.clear();
        inWord_ = false;
        ++i_;
    }

    bool singleQuoted()
    {
        const size_t close = line_.find('\'', i_ + 1);
        if (close == std::string_view::npos)
            return false;
        word_.append(line_.substr(i_ + 1, close - i_ - 1));
        inWord_ = true;
        i_ = close + 1;
        return true;
    }

    bool doubleQuoted()
    {
        inWord_ = true;
        for (++i_; i_ < line_.size(); ++i_) {
            const char d = line_[i_];
            if (d == '"') {
                ++i_;
                return true;
            }
            if (d == '\\' && i_ + 1 < line_.size() && escapableInDoubleQuotes(line_[i_ + 1])) {
                ++i_;
                if (line_[i_] != '\n') // an escaped line break joins the lines
                    word_ += line_[i_];
            } else {
                word_ += d;
            }
        }
        return false;
    }

    // Bash's $'...': backslash escapes as in C, so any byte can be written
    // without the quote characters themselves.
    bool ansiQuoted()
    {
        inWord_ = true;
        bool ended = false; // a NUL ends the text, as in bash; the rest up to the quote is dropped
        for (i_ += 2; i_ < line_.size(); ++i_) {
            const char d = line_[i_];
            if (d == '\'') {
                ++i_;
                return true;
            }
            const std::string out = d == '\\' && i_ + 1 < line_.size() ? ansiEscape() : std::string(1, d);
            ended = ended || (d == '\\' && out == std::string(1, '\0'));
            if (!ended)
                word_ += out;
        }
        return false;
    }

    // At a backslash inside $'...': the character it stands for; i_ is left on
    // the escape's last character. An unknown escape keeps its backslash.
    std::string ansiEscape()
    {
        const char e = line_[++i_];
        static constexpr std::string_view kFrom = "abeEfnrtv\\'\"?", kTo = "\a\b\x1b\x1b\f\n\r\t\v\\'\"?";
        if (const size_t k = kFrom.find(e); k != std::string_view::npos)
            return std::string(1, kTo[k]);
        if (e == 'x' && i_ + 1 < line_.size() && hexDigit(line_[i_ + 1]) >= 0) {
            int value = 0;
            for (int n = 0; n < 2 && i_ + 1 < line_.size() && hexDigit(line_[i_ + 1]) >= 0; ++n)
                value = value * 16 + hexDigit(line_[++i_]);
            return std::string(1, static_cast<char>(value));
        }
        if (e >= '0' && e <= '7') {
            int value = e - '0';
            for (int n = 1; n < 3 && i_ + 1 < line_.size() && line_[i_ + 1] >= '0' && line_[i_ + 1] <= '7'; ++n)
                value = value * 8 + (line_[++i_] - '0');
            return std::string(1, static_cast<char>(value));
        }
        return {'\\', e};
    }

    void escaped()
    {
        if (i_ + 1 >= line_.size()) // nothing left to escape: keep the backslash
            take('\\', 1);
        else if (line_[i_ + 1] == '\n')
            i_ += 2;
        else
            take(line_[i_ + 1], 2);
    }

    std::string_view line_;
    size_t i_ = 0;
    std::vector<std::string> words_;
    std::string word_;
    bool inWord_ = false; // a quoted empty string is a word too
};

} // namespace

std::optional<std::vector<std::string>> splitCommandLine(std::string_view line) { return Splitter(line).words(); }

std::string joinCommandLine(const std::vector<std::string>& words)
{
    std::string line;
    for (const std::string& word : words) {
        if (!line.empty())
            line += ' ';
        bool plain = !word.empty();
        bool ansi = false;
        for (char c : word) {
            plain = plain && isPlain(c);
            ansi = ansi || unstorable(c);
        }
        if (plain) {
            line += word;
        } else if (ansi) {
            line += "$'";
            for (char c : word) {
                if (c == '"')
                    line += "\\x22";
                else if (c == '\n')
                    line += "\\n";
                else if (c == '\r')
                    line += "\\r";
                else if (c == '\\' || c == '\'')
                    line += {'\\', c};
                else
                    line += c;
            }
            line += '\'';
        } else {
            line += '\'';
            for (char c : word)
                line += c == '\'' ? std::string("'\\''") : std::string(1, c);
            line += '\'';
        }
    }
    return line;
}

} // namespace aurelith
