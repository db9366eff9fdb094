// SPDX-License-Identifier: GPL-3.0-or-later
// The SBaGen family's sequence files, read from their published format
// description: tone-sets, time lines with their fade and slide marks, blocks,
// "##" descriptions and the options -S, -E, -F and -m. Everything else is
// refused by name, so no file ever plays other than it was written. Two things
// only this program writes are read too (see SbgWriter.cpp): seconds with up
// to three decimals in times, and "# aurelith:" comment lines, which the
// family's other programs skip as comments.
#include "sequence/ReaderSupport.h"
#include "sequence/SequenceFiles.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <map>
#include <sstream>

namespace aurelith::sequence {
namespace {

using detail::plainNumber;

constexpr std::size_t kMostSlots = 16;
constexpr std::size_t kMostTimeLines = 10000;
constexpr int kDeepestBlocks = 32;

struct SlotTone {
    VoiceKind kind = VoiceKind::tone;
    Waveform waveform = Waveform::sine;
    double carrier = 0;
    double beat = 0;  // the model's: binaural right minus left, isochronic pulses a second
    double level = 0; // as written, 0 ... 100; 0 ... 1 once normalise() has run
};

struct ToneSet {
    int line = 0;
    std::vector<std::optional<SlotTone>> slots;
};

struct TimeText {
    int line = 0;
    std::string time, fade, name;
    bool slide = false;
};

struct Block {
    int line = 0;
    std::vector<TimeText> lines;
};

struct ParsedTime {
    enum class Base { relative, now, clock } base = Base::relative;
    double clockSeconds = 0;
    double offset = 0;
};

struct Entry {
    double seconds = 0;
    const ToneSet* set = nullptr;
    char fadeIn = '-';
    char fadeOut = '-';
    bool slide = false;
    int line = 0;
};

bool isNameStart(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isNameChar(char c) { return isNameStart(c) || (c >= '0' && c <= '9') || c == '_' || c == '-'; }

bool isName(std::string_view text)
{
    return !text.empty() && isNameStart(text[0]) && std::all_of(text.begin(), text.end(), isNameChar);
}

bool isNumberedName(std::string_view text, std::string_view stem)
{
    return text.size() == stem.size() + 2 && text.substr(0, stem.size()) == stem &&
           std::isdigit(static_cast<unsigned char>(text[stem.size()])) &&
           std::isdigit(static_cast<unsigned char>(text[stem.size() + 1]));
}

std::optional<Waveform> waveformNamed(std::string_view name)
{
    if (name == "sine")
        return Waveform::sine;
    if (name == "square")
        return Waveform::square;
    if (name == "triangle")
        return Waveform::triangle;
    if (name == "sawtooth")
        return Waveform::sawtooth;
    return std::nullopt;
}

// "hh:mm", "hh:mm:ss" or "hh:mm:ss.fff" (one to three decimals); hours up to maxHours.
std::optional<double> clockText(std::string_view text, int maxHours)
{
    const auto first = text.find(':');
    if (first == std::string_view::npos || first == 0 || first > 3)
        return std::nullopt;
    const std::string_view hours = text.substr(0, first);
    std::string_view rest = text.substr(first + 1);
    std::string_view seconds;
    if (const auto second = rest.find(':'); second != std::string_view::npos) {
        seconds = rest.substr(second + 1);
        rest = rest.substr(0, second);
    }
    auto digits = [](std::string_view d) {
        return std::all_of(d.begin(), d.end(), [](char c) { return c >= '0' && c <= '9'; });
    };
    std::string_view fraction;
    if (const auto dot = seconds.find('.'); dot != std::string_view::npos) {
        fraction = seconds.substr(dot + 1);
        seconds = seconds.substr(0, dot);
        if (fraction.empty() || fraction.size() > 3 || !digits(fraction))
            return std::nullopt;
    }
    if (!digits(hours) || rest.size() != 2 || !digits(rest) ||
        (text.find(':', first + 1) != std::string_view::npos && (seconds.size() != 2 || !digits(seconds))))
        return std::nullopt;
    const int h = std::stoi(std::string(hours));
    const int m = std::stoi(std::string(rest));
    const int s = seconds.empty() ? 0 : std::stoi(std::string(seconds));
    if (h > maxHours || m > 59 || s > 59)
        return std::nullopt;
    int milliseconds = fraction.empty() ? 0 : std::stoi(std::string(fraction));
    for (std::size_t i = fraction.size(); i < 3; ++i)
        milliseconds *= 10;
    return h * 3600.0 + m * 60.0 + s + milliseconds / 1000.0;
}

// NOW, hh:mm[:ss] or nothing, then any number of +hh:mm[:ss].
std::optional<ParsedTime> timeText(std::string_view text)
{
    ParsedTime time;
    std::string_view rest = text;
    if (rest.substr(0, 3) == "NOW") {
        time.base = ParsedTime::Base::now;
        rest.remove_prefix(3);
    } else if (!rest.empty() && rest[0] != '+') {
        const auto plus = rest.find('+');
        const auto clock = clockText(rest.substr(0, plus), 23);
        if (!clock)
            return std::nullopt;
        time.base = ParsedTime::Base::clock;
        time.clockSeconds = *clock;
        rest = plus == std::string_view::npos ? std::string_view() : rest.substr(plus);
    }
    while (!rest.empty()) {
        if (rest[0] != '+')
            return std::nullopt;
        rest.remove_prefix(1);
        const auto plus = rest.find('+');
        const auto offset = clockText(rest.substr(0, plus), 999);
        if (!offset)
            return std::nullopt;
        time.offset += *offset;
        rest = plus == std::string_view::npos ? std::string_view() : rest.substr(plus);
    }
    if (time.base == ParsedTime::Base::relative && text.empty())
        return std::nullopt;
    return time;
}

std::string shown(std::string_view text)
{
    // Messages quote what the file says, cut short and without control bytes.
    std::string out = "'";
    for (char c : text.substr(0, 40))
        out += (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) ? '?' : c;
    if (text.size() > 40)
        out += "...";
    return out + "'";
}

bool sameVoiceType(const SlotTone& a, const SlotTone& b) { return a.kind == b.kind && a.waveform == b.waveform; }

bool sameSound(const SlotTone& a, const SlotTone& b)
{
    return sameVoiceType(a, b) && std::abs(a.carrier - b.carrier) < 1e-9 && std::abs(a.beat - b.beat) < 1e-9;
}

// One slot's run of sound in one model voice, from its fade-in to its fade-out.
struct Track {
    std::size_t slot = 0;
    Voice voice;
    bool open = false;
    double freeFrom = 0;
    SlotTone current;
};

class TimelineBuilder {
public:
    TimelineBuilder(const std::vector<Entry>& entries, double halfChange) : entries_(entries), halfChange_(halfChange)
    {
        openTrack_.fill(-1);
    }

    std::vector<Voice> build()
    {
        const Entry& first = entries_.front();
        for (std::size_t slot = 0; slot < first.set->slots.size(); ++slot)
            if (const auto& slotTone = first.set->slots[slot]) {
                Track& track = start(slot, *slotTone, first.seconds, first.set->line);
                add(track, first.seconds, *slotTone, slotTone->level, Join::slide);
            }
        const std::size_t n = entries_.size();
        for (std::size_t i = 1; i < n; ++i) {
            if (i == n - 1 && !entries_[i - 1].slide)
                break; // the last line only ends the sequence; what plays holds until then
            changeOver(i);
        }
        const double end = entries_.back().seconds;
        for (Track& track : tracks_)
            if (track.open)
                add(track, end, track.current, track.current.level, Join::slide);
        std::stable_sort(tracks_.begin(), tracks_.end(),
                         [](const Track& a, const Track& b) { return a.slot < b.slot; });
        std::vector<Voice> voices;
        for (Track& track : tracks_)
            voices.push_back(std::move(track.voice));
        return voices;
    }

private:
    double period(std::size_t i) const { return entries_[i + 1].seconds - entries_[i].seconds; }

    void changeOver(std::size_t i)
    {
        const Entry& prev = entries_[i - 1];
        const Entry& next = entries_[i];
        double from, to, middle;
        if (prev.slide) {
            // "->": the whole period before is the transition.
            from = prev.seconds;
            to = next.seconds;
            middle = (from + to) / 2;
        } else {
            // Half the fade interval (30 s unless -F) either side, never past
            // half a neighbouring period; none after when the new period is
            // itself a whole-period transition.
            from = next.seconds - std::min(halfChange_, period(i - 1) / 2);
            to = next.slide ? next.seconds : next.seconds + std::min(halfChange_, period(i) / 2);
            middle = next.seconds;
        }
        const bool throughSilence = prev.fadeOut == '>' || next.fadeIn == '<';
        const bool slide = prev.fadeOut == '=' && next.fadeIn == '=';
        const std::size_t slots = std::max(prev.set->slots.size(), next.set->slots.size());
        for (std::size_t slot = 0; slot < slots; ++slot) {
            // Pointers, not copies: GCC 12 takes a copied optional's tone for unset.
            const auto toneIn = [slot](const ToneSet& set) -> const SlotTone* {
                return slot < set.slots.size() && set.slots[slot] ? &*set.slots[slot] : nullptr;
            };
            const SlotTone* before = toneIn(*prev.set);
            const SlotTone* after = toneIn(*next.set);
            const int open = openTrack_[slot];
            const bool carriesOn = before && after && open >= 0 && !throughSilence && sameVoiceType(*before, *after) &&
                                   (slide || sameSound(*before, *after));
            if (carriesOn) {
                Track& track = tracks_[open];
                add(track, from, *before, before->level, Join::slide);
                add(track, to, *after, after->level, Join::slide);
                track.current = *after;
                continue;
            }
            if (before && open >= 0) {
                Track& track = tracks_[open];
                const double silentAt = throughSilence ? middle : to;
                add(track, from, *before, before->level, Join::slide);
                add(track, silentAt, *before, 0, Join::step);
                track.open = false;
                track.freeFrom = silentAt;
                openTrack_[slot] = -1;
            }
            if (after) {
                const double startAt = throughSilence ? middle : from;
                Track& track = start(slot, *after, startAt, next.set->line);
                add(track, startAt, *after, 0, Join::slide);
                add(track, to, *after, after->level, Join::slide);
            }
        }
    }

    Track& start(std::size_t slot, const SlotTone& slotTone, double at, int line)
    {
        std::size_t index = tracks_.size();
        for (std::size_t i = 0; i < tracks_.size(); ++i) {
            const Track& t = tracks_[i];
            if (t.slot == slot && !t.open && t.freeFrom <= at && t.voice.kind == slotTone.kind &&
                t.voice.waveform == slotTone.waveform) {
                index = i;
                break;
            }
        }
        if (index == tracks_.size()) {
            Track track;
            track.slot = slot;
            track.voice.kind = slotTone.kind;
            track.voice.waveform = slotTone.waveform;
            track.voice.sourceLine = line;
            tracks_.push_back(std::move(track));
        }
        Track& track = tracks_[index];
        track.open = true;
        track.current = slotTone;
        openTrack_[slot] = static_cast<int>(index);
        return track;
    }

    static void add(Track& track, double seconds, const SlotTone& slotTone, double level, Join join)
    {
        Point point{seconds, slotTone.carrier, slotTone.beat, level, join};
        auto& points = track.voice.points;
        if (!points.empty()) {
            Point& last = points.back();
            if (last.seconds == seconds && last.carrierHz == point.carrierHz && last.beatHz == point.beatHz &&
                last.level == point.level) {
                last.join = join;
                return;
            }
        }
        points.push_back(point);
    }

    const std::vector<Entry>& entries_;
    double halfChange_;
    std::vector<Track> tracks_;
    std::array<int, kMostSlots> openTrack_{};
};

class SbgParser {
public:
    SbgParser(const std::string& fileName, const std::filesystem::path& folder) : file_(fileName), folder_(folder) {}

    ReadResult read(const std::string& text)
    {
        std::istringstream lines(text);
        std::string raw;
        int lineNumber = 0;
        while (std::getline(lines, raw) && !full()) {
            ++lineNumber;
            readLine(lineNumber, raw);
        }
        if (block_)
            problem(blocks_[*block_].line, "block " + shown(*block_) + " has no closing '}'");
        normalise();
        std::vector<Entry> entries = expandTimeLines();
        ReadResult result;
        if (problems_.empty())
            result.sequence = buildSequence(entries);
        result.problems = std::move(problems_);
        return result;
    }

private:
    bool full() const { return problems_.size() >= detail::kMostProblems; }

    void problem(int line, std::string message)
    {
        if (!full())
            problems_.push_back({file_, line, std::move(message)});
    }

    void readLine(int line, std::string raw)
    {
        if (const auto hash = raw.find('#'); hash != std::string::npos) {
            if (raw.compare(hash, 2, "##") == 0) {
                std::string said = raw.substr(hash + 2);
                while (!said.empty() && std::isspace(static_cast<unsigned char>(said.front())))
                    said.erase(said.begin());
                while (!said.empty() && std::isspace(static_cast<unsigned char>(said.back())))
                    said.pop_back();
                description_.push_back(said);
            } else {
                ownComment(raw.substr(hash + 1));
            }
            raw.erase(hash);
        }
        std::vector<std::string> words;
        std::istringstream split(raw);
        for (std::string word; split >> word;)
            words.push_back(word);
        if (words.empty())
            return;
        const std::string& head = words.front();
        if (block_) {
            if (head == "}" && words.size() == 1)
                block_.reset();
            else if (head.size() > 1 && head.back() == ':')
                problem(line, "only time lines may stand inside a block (is a '}' missing?)");
            else if (auto time = timeLine(line, words))
                blocks_[*block_].lines.push_back(*time);
            return;
        }
        if (head.size() > 1 && head[0] == '-' && isNameStart(head[1])) {
            optionLine(line, words);
        } else if (head.size() > 1 && head.back() == ':' && isNameStart(head[0])) {
            definition(line, head.substr(0, head.size() - 1), words);
        } else if (head == "}") {
            problem(line, "'}' without a block to close");
        } else if (auto time = timeLine(line, words)) {
            timeLines_.push_back(*time);
        }
    }

    // "# aurelith: ..." lines, which only this program writes: what the
    // family's text cannot say. Anything else after the mark is a comment.
    void ownComment(std::string_view text)
    {
        std::istringstream split{std::string(text)};
        std::vector<std::string> words;
        for (std::string word; split >> word;)
            words.push_back(word);
        if (words.empty() || words[0] != "aurelith:")
            return;
        if (words.size() == 4 && words[1] == "levels" && words[2] == "as" && words[3] == "written")
            levelsAsWritten_ = true;
        else if (words.size() == 4 && words[1] == "voice" && (words[3] == "muted" || words[3] == "solo"))
            if (const auto number = plainNumber(words[2]);
                number && *number >= 1 && *number <= 1e6 && *number == std::floor(*number))
                (words[3] == "muted" ? muted_ : soloed_).push_back(static_cast<std::size_t>(*number) - 1);
    }

    // The documented normalisation: a set whose amplitudes add up to more
    // than 100 is scaled down to 100 in proportion (unless this program wrote
    // the file from levels that add up to more).
    void normalise()
    {
        for (auto& [name, set] : toneSets_) {
            double total = 0;
            for (const auto& slotTone : set.slots)
                if (slotTone)
                    total += slotTone->level;
            for (auto& slotTone : set.slots)
                if (slotTone)
                    slotTone->level = (total > 100 && !levelsAsWritten_ ? slotTone->level * 100 / total
                                                                        : slotTone->level) /
                                      100;
        }
    }

    void optionLine(int line, const std::vector<std::string>& words)
    {
        for (std::size_t i = 0; i < words.size(); ++i) {
            const std::string& word = words[i];
            if (word == "-m") {
                if (i + 1 == words.size()) {
                    problem(line, "'-m' needs the sound file to mix in");
                    return;
                }
                mixFile_ = detail::absoluteBeside(folder_, words[++i]);
            } else if (word == "-F") {
                // The fade interval in milliseconds: change-overs fade over
                // half of it either side, the start and the end over half.
                const auto ms = i + 1 < words.size() ? plainNumber(words[i + 1]) : std::nullopt;
                if (!ms || *ms <= 0 || *ms > detail::kLongestSequenceSeconds * 1000) {
                    problem(line, "'-F' needs the fade interval in milliseconds, above 0");
                    return;
                }
                halfChange_ = *ms / 2000;
                ++i;
            } else if (word.size() > 1 && word[0] == '-' && word.find_first_not_of("SE", 1) == std::string::npos) {
                // -S and -E: this program always plays a sequence from its first time line to its last.
            } else if (word[0] == '-') {
                problem(line, "option " + shown(word) + " is not supported (only -S, -E, -F MS and -m FILE are)");
            } else {
                problem(line, "unexpected " + shown(word) + " on an option line");
            }
        }
    }

    void definition(int line, const std::string& name, const std::vector<std::string>& words)
    {
        if (isNumberedName(name, "wave")) {
            problem(line, "'waveNN:' waveform definitions are not supported");
            return;
        }
        if (isNumberedName(name, "custom")) {
            problem(line, "'customNN:' envelope definitions are not supported");
            return;
        }
        if (!isName(name)) {
            problem(line, shown(name) + " is not a name (a letter, then letters, digits, '_' or '-')");
            return;
        }
        if (toneSets_.count(name) || blocks_.count(name)) {
            problem(line, shown(name) + " is defined twice");
            return;
        }
        if (words.size() == 2 && words[1] == "{") {
            blocks_[name].line = line;
            block_ = name;
            return;
        }
        if (words.size() == 1) {
            problem(line, "tone-set " + shown(name) + " lists no tones ('-' for silence)");
            return;
        }
        if (words.size() - 1 > kMostSlots) {
            problem(line, "a tone-set holds at most 16 tones");
            return;
        }
        ToneSet set;
        set.line = line;
        bool good = true;
        for (std::size_t i = 1; i < words.size(); ++i) {
            bool empty = false;
            auto slotTone = toneSpec(line, words[i], empty);
            if (!slotTone && !empty)
                good = false;
            set.slots.push_back(slotTone);
        }
        if (!good)
            return;
        toneSets_.emplace(name, std::move(set));
    }

    void refuseVoice(int line, std::string_view prefix)
    {
        static const char* const effects[] = {"spin", "bspin", "wspin", "mixspin", "mixpulse", "mixbeat", "mixam"};
        if (isNumberedName(prefix, "wave"))
            problem(line, "'waveNN:' waveforms are not supported");
        else if (isNumberedName(prefix, "custom"))
            problem(line, "'customNN:' envelopes are not supported");
        else if (std::find(std::begin(effects), std::end(effects), prefix) != std::end(effects))
            problem(line, "'" + std::string(prefix) + ":' voices are not supported");
        else
            problem(line, shown(std::string(prefix) + ":") + " is not a tone type this program knows");
    }

    std::optional<SlotTone> toneSpec(int line, std::string_view word, bool& empty)
    {
        if (word == "-") {
            empty = true;
            return std::nullopt;
        }
        SlotTone slotTone;
        bool shaped = false;
        if (const auto colon = word.find(':'); colon != std::string_view::npos) {
            const auto shape = waveformNamed(word.substr(0, colon));
            if (!shape) {
                refuseVoice(line, word.substr(0, colon));
                return std::nullopt;
            }
            slotTone.waveform = *shape;
            shaped = true;
            word.remove_prefix(colon + 1);
            if (const auto inner = word.find(':'); inner != std::string_view::npos) {
                refuseVoice(line, word.substr(0, inner));
                return std::nullopt;
            }
        }
        if (word.substr(0, 4) == "bell") {
            problem(line, "'bell' voices are not supported");
            return std::nullopt;
        }
        const auto slash = word.rfind('/');
        if (slash == std::string_view::npos) {
            problem(line, shown(word) + " is not a tone (no /amplitude)");
            return std::nullopt;
        }
        const auto amplitude = plainNumber(word.substr(slash + 1));
        if (!amplitude || *amplitude > 100) {
            problem(line, shown(word) + ": the amplitude must be a number from 0 to 100");
            return std::nullopt;
        }
        slotTone.level = *amplitude;
        const std::string_view head = word.substr(0, slash);
        static const std::pair<const char*, VoiceKind> sounds[] = {{"pink", VoiceKind::pinkNoise},
                                                                   {"white", VoiceKind::whiteNoise},
                                                                   {"brown", VoiceKind::brownNoise},
                                                                   {"mix", VoiceKind::mix}};
        for (const auto& [name, kind] : sounds)
            if (head == name) {
                if (shaped) {
                    problem(line, shown(word) + ": a waveform is only for tones, not for noise or the mix");
                    return std::nullopt;
                }
                slotTone.kind = kind;
                if (kind == VoiceKind::mix)
                    hasMixVoice_ = true;
                return slotTone;
            }
        const auto sign = head.find_first_of("+-M@", 1);
        const auto carrier = plainNumber(head.substr(0, sign));
        const auto second = sign == std::string_view::npos ? std::optional<double>(0)
                                                           : plainNumber(head.substr(sign + 1));
        if (!carrier || !second) {
            problem(line, shown(word) + " is not a tone");
            return std::nullopt;
        }
        slotTone.carrier = *carrier;
        const char kind = sign == std::string_view::npos ? '/' : head[sign];
        switch (kind) {
        case '+': // the documented example: 100+4 gives 102 Hz and 98 Hz, left and right
            slotTone.kind = VoiceKind::binaural;
            slotTone.beat = -*second;
            break;
        case '-':
            slotTone.kind = VoiceKind::binaural;
            slotTone.beat = *second;
            break;
        case 'M':
            slotTone.kind = VoiceKind::monaural;
            slotTone.beat = *second;
            break;
        case '@':
            slotTone.kind = VoiceKind::isochronic;
            slotTone.beat = *second;
            break;
        default: slotTone.kind = VoiceKind::tone;
        }
        const double spread = slotTone.kind == VoiceKind::isochronic ? 0 : std::abs(slotTone.beat) / 2;
        if (slotTone.carrier - spread <= 0 || slotTone.carrier + spread > detail::kHighestHz) {
            problem(line, shown(word) + ": every tone must lie above 0 Hz and at most 20000 Hz");
            return std::nullopt;
        }
        if (slotTone.kind == VoiceKind::isochronic && (slotTone.beat <= 0 || slotTone.beat >= slotTone.carrier)) {
            problem(line, shown(word) + ": the pulse rate must be above 0 and below the carrier");
            return std::nullopt;
        }
        return slotTone;
    }

    std::optional<TimeText> timeLine(int line, const std::vector<std::string>& words)
    {
        TimeText time;
        time.line = line;
        time.time = words[0];
        if (!timeText(time.time)) {
            problem(line, shown(words[0]) + " is not a time, a definition or an option");
            return std::nullopt;
        }
        std::size_t at = 1;
        if (at < words.size() && words[at].size() == 2 &&
            std::string_view("<-=").find(words[at][0]) != std::string::npos &&
            std::string_view(">-=").find(words[at][1]) != std::string::npos)
            time.fade = words[at++];
        if (at == words.size()) {
            problem(line, "the time line names no tone-set or block");
            return std::nullopt;
        }
        time.name = words[at++];
        if (at < words.size() && words[at] == "->") {
            time.slide = true;
            ++at;
        }
        if (at < words.size()) {
            problem(line, "unexpected " + shown(words[at]) + " after the tone-set's name");
            return std::nullopt;
        }
        return time;
    }

    std::vector<Entry> expandTimeLines()
    {
        std::vector<Entry> entries;
        double lastAbsolute = 0;
        bool sawNow = false, sawClock = false;
        for (const TimeText& text : timeLines_) {
            const ParsedTime time = *timeText(text.time);
            if (time.base == ParsedTime::Base::clock) {
                lastAbsolute = time.clockSeconds;
                sawClock = true;
            } else if (time.base == ParsedTime::Base::now || !sawClock) {
                lastAbsolute = time.base == ParsedTime::Base::now ? 0 : lastAbsolute;
                sawNow = true; // a relative time with nothing before it counts from NOW
            }
            if (sawNow && sawClock) {
                problem(text.line, "NOW and clock times cannot be mixed in one sequence");
                return {};
            }
            expand(text, lastAbsolute + time.offset, 0, entries);
            if (expansions_ > 16 * kMostTimeLines) {
                problem(text.line, "the blocks called here expand to too many time lines");
                break;
            }
            if (full() || entries.size() > kMostTimeLines)
                break;
        }
        if (entries.size() > kMostTimeLines)
            problem(0, "more than 10000 time lines once the blocks are expanded");
        if (!problems_.empty())
            return {};
        std::vector<Entry> ordered;
        for (const Entry& entry : entries) {
            if (!ordered.empty() && entry.seconds < ordered.back().seconds) {
                problem(entry.line, "this time comes before the time of the line before it");
                return {};
            }
            if (!ordered.empty() && entry.seconds == ordered.back().seconds)
                ordered.back() = entry; // the earlier line would last no time at all
            else
                ordered.push_back(entry);
        }
        if (ordered.empty())
            problem(0, "the file has no time lines, so nothing would play");
        else if (ordered.size() == 1)
            problem(ordered.front().line, "a sequence needs a second, later time line where it ends");
        else if (ordered.back().seconds - ordered.front().seconds > detail::kLongestSequenceSeconds)
            problem(ordered.back().line, "the sequence lasts more than 24 hours");
        return ordered;
    }

    void expand(const TimeText& text, double seconds, int depth, std::vector<Entry>& out)
    {
        // Blocks that only call blocks add no lines but can still multiply the work.
        if (full() || out.size() > kMostTimeLines || ++expansions_ > 16 * kMostTimeLines)
            return;
        if (const auto block = blocks_.find(text.name); block != blocks_.end()) {
            if (!text.fade.empty() || text.slide) {
                problem(text.line, "a block is called without fade marks or '->'");
                return;
            }
            if (depth >= kDeepestBlocks) {
                problem(text.line, "blocks call each other too deeply (does " + shown(text.name) + " call itself?)");
                return;
            }
            for (const TimeText& inner : block->second.lines) {
                const ParsedTime time = *timeText(inner.time);
                if (time.base != ParsedTime::Base::relative) {
                    problem(inner.line, "a time inside a block must be relative (+hh:mm)");
                    return;
                }
                expand(inner, seconds + time.offset, depth + 1, out);
            }
            return;
        }
        const auto set = toneSets_.find(text.name);
        if (set == toneSets_.end()) {
            problem(text.line, "no tone-set or block is named " + shown(text.name));
            return;
        }
        Entry entry;
        entry.seconds = seconds;
        entry.set = &set->second;
        entry.slide = text.slide;
        entry.line = text.line;
        if (!text.fade.empty()) {
            entry.fadeIn = text.fade[0];
            entry.fadeOut = text.fade[1];
        }
        out.push_back(entry);
    }

    Sequence buildSequence(const std::vector<Entry>& entries)
    {
        Sequence sequence;
        sequence.name = detail::stemOf(file_);
        sequence.description = description_;
        sequence.mixFile = mixFile_;
        const double start = entries.front().seconds;
        const double end = entries.back().seconds;
        const double firstPeriod = entries[1].seconds - start;
        const double lastPeriod = end - entries[entries.size() - 2].seconds;
        sequence.voices = TimelineBuilder(entries, halfChange_).build();
        // With -m and no mix/ in any tone-set, the mix plays at full level throughout.
        if (!mixFile_.empty() && !hasMixVoice_) {
            Voice mix;
            mix.kind = VoiceKind::mix;
            mix.points = {{start, 0, 0, 1, Join::slide}, {end, 0, 0, 1, Join::slide}};
            sequence.voices.push_back(mix);
        }
        // Nothing sounds before the start: what plays there fades in over the
        // half of a change-over that lies inside the sequence.
        const double fadeIn = std::min(halfChange_, firstPeriod / 2);
        for (Voice& voice : sequence.voices) {
            auto& points = voice.points;
            if (points.empty() || points.front().seconds != start || points.front().level <= 0)
                continue;
            const Point inside = valueAt(voice, start + fadeIn);
            points.front().level = 0;
            if (points.size() < 2 || points[1].seconds != start + fadeIn)
                points.insert(points.begin() + 1, inside);
        }
        for (Voice& voice : sequence.voices)
            for (Point& point : voice.points)
                point.seconds -= start;
        sequence.lengthSeconds = end - start;
        sequence.fadeOutSeconds = std::min(halfChange_, lastPeriod / 2);
        for (const auto& [marks, muted] : {std::pair{&muted_, true}, std::pair{&soloed_, false}})
            for (std::size_t index : *marks)
                if (index < sequence.voices.size())
                    (muted ? sequence.voices[index].muted : sequence.voices[index].solo) = true;
        return sequence;
    }

    std::string file_;
    std::filesystem::path folder_;
    std::vector<Problem> problems_;
    std::vector<std::string> description_;
    std::map<std::string, ToneSet> toneSets_;
    std::map<std::string, Block> blocks_;
    std::optional<std::string> block_; // the block being defined
    std::vector<TimeText> timeLines_;
    std::string mixFile_;
    bool hasMixVoice_ = false;
    double halfChange_ = detail::kHalfChange;
    bool levelsAsWritten_ = false;
    std::vector<std::size_t> muted_, soloed_;
    std::size_t expansions_ = 0;
};

} // namespace

ReadResult readSbg(const std::string& text, const std::string& fileName, const std::filesystem::path& folder)
{
    return SbgParser(fileName, folder).read(text);
}

} // namespace aurelith::sequence
