// SPDX-License-Identifier: GPL-3.0-or-later
// Gnaural's schedules: an XML file of voices, each a list of entries
// (duration, base frequency, beat, left and right volume) that slide linearly
// into the next. Read with expat; a document type declaration is refused, so
// no entity can be defined or expanded.
#include "sequence/ReaderSupport.h"
#include "sequence/SequenceFiles.h"

#include <expat.h>

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <map>
#include <sstream>

namespace aurelith::sequence {
namespace {

struct GnauralEntry {
    int line = 0;
    std::map<std::string, std::string> fields; // duration, volume_left, volume_right, beatfreq, basefreq
};

struct GnauralVoice {
    int line = 0;
    std::map<std::string, std::string> fields; // description, type, voice_mute
    std::vector<GnauralEntry> entries;
};

struct GnauralDocument {
    std::string root;
    std::map<std::string, std::string> fields; // title, schedule_description, loops, overall volumes, stereoswap
    std::vector<GnauralVoice> voices;
    bool doctype = false;
    int doctypeLine = 0;
};

// Collects the few elements a schedule is made of, by their place in the tree.
class GnauralCollector {
public:
    GnauralCollector(XML_Parser parser, GnauralDocument& document) : parser_(parser), doc_(document) {}

    static void onStart(void* self, const XML_Char* name, const XML_Char** attributes)
    {
        static_cast<GnauralCollector*>(self)->start(name, attributes);
    }
    static void onEnd(void* self, const XML_Char*) { static_cast<GnauralCollector*>(self)->end(); }
    static void onText(void* self, const XML_Char* text, int length)
    {
        auto& collector = *static_cast<GnauralCollector*>(self);
        if (collector.text_.size() < 4096)
            collector.text_.append(text, static_cast<std::size_t>(length));
    }
    static void onDoctype(void* self, const XML_Char*, const XML_Char*, const XML_Char*, int)
    {
        auto& collector = *static_cast<GnauralCollector*>(self);
        collector.doc_.doctype = true;
        collector.doc_.doctypeLine = static_cast<int>(XML_GetCurrentLineNumber(collector.parser_));
        XML_StopParser(collector.parser_, XML_FALSE);
    }

private:
    int line() const { return static_cast<int>(XML_GetCurrentLineNumber(parser_)); }
    std::string parent(std::size_t up) const
    {
        return path_.size() > up ? path_[path_.size() - 1 - up] : std::string();
    }

    void start(const std::string& name, const XML_Char** attributes)
    {
        text_.clear();
        if (path_.empty())
            doc_.root = name;
        path_.push_back(name);
        if (doc_.root != "schedule" || doc_.voices.size() > 4096)
            return;
        if (name == "voice" && parent(1) == "schedule") {
            doc_.voices.push_back({line(), {}, {}});
        } else if (name == "entry" && parent(1) == "entries" && parent(2) == "voice" && !doc_.voices.empty()) {
            auto& entries = doc_.voices.back().entries;
            if (entries.size() > detail::kMostPoints)
                return;
            GnauralEntry entry;
            entry.line = line();
            for (std::size_t i = 0; attributes[i] && attributes[i + 1]; i += 2)
                entry.fields[attributes[i]] = attributes[i + 1];
            entries.push_back(std::move(entry));
        }
    }

    void end()
    {
        const std::string name = path_.back();
        if (parent(1) == "schedule")
            doc_.fields[name] = text_;
        else if (parent(1) == "voice" && !doc_.voices.empty())
            doc_.voices.back().fields[name] = text_;
        else if (parent(1) == "entry" && parent(2) == "entries" && !doc_.voices.empty() &&
                 !doc_.voices.back().entries.empty())
            doc_.voices.back().entries.back().fields[name] = text_; // the older files: one element a field
        path_.pop_back();
        text_.clear();
    }

    XML_Parser parser_;
    GnauralDocument& doc_;
    std::vector<std::string> path_;
    std::string text_;
};

std::string trimmed(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

// Gnaural writes numbers with printf's %g: signs and exponents occur.
std::optional<double> gnauralNumber(const std::string& raw)
{
    const std::string text = trimmed(raw);
    if (text.empty() || text.size() > 40)
        return std::nullopt;
    double value = 0;
    const char* first = text.data() + (text[0] == '+' ? 1 : 0);
    const auto [end, error] = std::from_chars(first, text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

bool unnamed(const std::string& text) { return text.empty() || text == "[none]"; }

const char* typeName(int type)
{
    switch (type) {
    case 4: return "Alternate Isochronic Tone";
    case 5: return "Water Drops";
    case 6: return "Rain";
    default: return nullptr;
    }
}

class GnauralBuilder {
public:
    GnauralBuilder(const GnauralDocument& doc, const std::string& fileName, const std::filesystem::path& folder)
        : doc_(doc), file_(fileName), folder_(folder)
    {
    }

    ReadResult build()
    {
        ReadResult result;
        Sequence sequence;
        const std::string title = trimmed(field(doc_.fields, "title"));
        sequence.name = unnamed(title) ? detail::stemOf(file_) : title;
        const std::string about = trimmed(field(doc_.fields, "schedule_description"));
        if (!unnamed(about)) {
            std::istringstream lines(about);
            for (std::string line; std::getline(lines, line);)
                sequence.description.push_back(trimmed(line));
        }
        const double overallLeft = volume("overallvolume_left", 0);
        const double overallRight = volume("overallvolume_right", 0);
        if (overallLeft != overallRight)
            notes_.push_back("the overall left and right volumes differ; both ears get their mean");
        const double overall = (overallLeft + overallRight) / 2;
        const bool swapped = number(field(doc_.fields, "stereoswap"), "stereoswap", 0, 0).value_or(0) != 0;
        int loops = 1;
        if (const auto written = number(field(doc_.fields, "loops"), "loops", 0, 1)) {
            if (*written < 0 || *written != std::floor(*written))
                problem(0, "<loops> must be a whole number, 0 or more");
            else if (*written == 0)
                notes_.push_back("the schedule repeats endlessly (loops 0); it plays once here");
            else
                loops = static_cast<int>(std::min(*written, 1e6));
        }

        std::vector<Voice> voices;
        std::vector<double> lengths;
        for (std::size_t v = 0; v < doc_.voices.size() && problems_.size() < detail::kMostProblems; ++v)
            if (auto voice = readVoice(v, overall, swapped)) {
                lengths.push_back(voice->points.empty() ? 0 : voice->points.back().seconds);
                voices.push_back(std::move(*voice));
            }
        const double period = lengths.empty() ? 0 : *std::max_element(lengths.begin(), lengths.end());
        if (problems_.empty()) {
            std::size_t points = 0;
            for (const Voice& voice : voices)
                points += voice.points.size() * static_cast<std::size_t>(loops);
            if (voices.empty())
                problem(0, "the schedule has no voice this program plays");
            else if (period <= 0)
                problem(0, "the schedule lasts no time at all");
            else if (period * loops > detail::kLongestSequenceSeconds)
                problem(0, "the schedule, with its loops, lasts more than 24 hours");
            else if (points > detail::kMostPoints)
                problem(0, "the schedule has too many entries to read");
        }
        result.notes = std::move(notes_);
        if (!problems_.empty()) {
            result.problems = std::move(problems_);
            return result;
        }
        for (Voice& voice : voices) {
            const std::vector<Point> once = voice.points;
            for (int loop = 1; loop < loops; ++loop)
                for (Point point : once) {
                    point.seconds += loop * period;
                    voice.points.push_back(point);
                }
        }
        sequence.voices = std::move(voices);
        sequence.mixFile = mixFile_;
        sequence.lengthSeconds = period * loops;
        result.sequence = std::move(sequence);
        return result;
    }

private:
    static std::string field(const std::map<std::string, std::string>& fields, const std::string& name)
    {
        const auto found = fields.find(name);
        return found == fields.end() ? std::string() : found->second;
    }

    void problem(int line, std::string message)
    {
        if (problems_.size() < detail::kMostProblems)
            problems_.push_back({file_, line, std::move(message)});
    }

    // A number, or the fallback when the field is absent; a problem when it is not a number.
    std::optional<double> number(const std::string& text, const std::string& what, int line, double fallback)
    {
        if (trimmed(text).empty())
            return fallback;
        const auto value = gnauralNumber(text);
        if (!value)
            problem(line, "<" + what + "> is not a number");
        return value;
    }

    double volume(const std::string& what, int line)
    {
        const auto value = number(field(doc_.fields, what), what, line, 1);
        if (value && (*value < 0 || *value > 1)) {
            problem(line, "<" + what + "> must lie from 0 to 1");
            return 0;
        }
        return value.value_or(0);
    }

    std::optional<Voice> readVoice(std::size_t index, double overall, bool swapped)
    {
        const GnauralVoice& source = doc_.voices[index];
        const std::string description = trimmed(field(source.fields, "description"));
        const std::string label = "voice " + std::to_string(index + 1) +
                                  (unnamed(description) ? std::string() : " ('" + description.substr(0, 40) + "')");
        const auto type = number(field(source.fields, "type"), "type", source.line, -1);
        if (!type)
            return std::nullopt;
        Voice voice;
        voice.sourceLine = source.line;
        switch (static_cast<int>(*type)) {
        case 0: voice.kind = VoiceKind::binaural; break;
        case 1: voice.kind = VoiceKind::pinkNoise; break;
        case 2: voice.kind = VoiceKind::mix; break;
        case 3: voice.kind = VoiceKind::isochronic; break;
        default: {
            const char* name = *type == std::floor(*type) ? typeName(static_cast<int>(*type)) : nullptr;
            notes_.push_back(label + ": " +
                             (name ? std::string("'") + name + "' voices are" : "this type of voice is") + " left out");
            return std::nullopt;
        }
        }
        if (number(field(source.fields, "voice_mute"), "voice_mute", source.line, 0).value_or(0) != 0) {
            notes_.push_back(label + ": muted, left out");
            return std::nullopt;
        }
        if (source.entries.empty()) {
            notes_.push_back(label + ": no entries, left out");
            return std::nullopt;
        }
        if (voice.kind == VoiceKind::mix && !unnamed(description)) {
            const std::string file = detail::absoluteBeside(folder_, description);
            if (mixFile_.empty())
                mixFile_ = file;
            else if (mixFile_ != file)
                notes_.push_back(label + ": every audio-file voice plays " + mixFile_);
        }
        bool unbalanced = false;
        double seconds = 0;
        for (const GnauralEntry& entry : source.entries) {
            auto value = [&](const char* name, double fallback) {
                const auto found = entry.fields.find(name);
                if (found == entry.fields.end()) {
                    if (fallback >= 0)
                        return fallback;
                    problem(entry.line, std::string("the entry has no ") + name);
                    return 0.0;
                }
                return number(found->second, name, entry.line, 0).value_or(0);
            };
            const double duration = value("duration", -1);
            const double left = value("volume_left", -1);
            const double right = value("volume_right", -1);
            const bool tone = voice.kind == VoiceKind::binaural || voice.kind == VoiceKind::isochronic;
            const double base = tone ? value("basefreq", -1) : 0;
            double beat = tone ? value("beatfreq", -1) : 0;
            if (duration < 0 || duration > detail::kLongestSequenceSeconds)
                problem(entry.line, "the duration must lie from 0 to 24 hours");
            if (left < 0 || left > 1 || right < 0 || right > 1)
                problem(entry.line, "volumes must lie from 0 to 1");
            const double spread = voice.kind == VoiceKind::binaural ? std::abs(beat) / 2 : 0;
            if (tone && (base - spread <= 0 || base + spread > detail::kHighestHz))
                problem(entry.line, "every tone must lie above 0 Hz and at most 20000 Hz");
            if (voice.kind == VoiceKind::isochronic && (beat <= 0 || beat >= base))
                problem(entry.line, "the pulse rate must be above 0 and below the base frequency");
            unbalanced = unbalanced || left != right;
            if (swapped && voice.kind == VoiceKind::binaural)
                beat = -beat;
            voice.points.push_back({seconds, base, beat, (left + right) / 2 * overall, Join::slide});
            seconds += duration;
        }
        if (unbalanced)
            notes_.push_back(label + ": left and right volumes differ; both ears get their mean");
        // The last entry slides into the first, so a looped schedule joins up.
        Point wrap = voice.points.front();
        wrap.seconds = seconds;
        voice.points.push_back(wrap);
        return voice;
    }

    const GnauralDocument& doc_;
    std::string file_;
    std::filesystem::path folder_;
    std::vector<Problem> problems_;
    std::vector<std::string> notes_;
    std::string mixFile_;
};

} // namespace

ReadResult readGnaural(const std::string& text, const std::string& fileName, const std::filesystem::path& folder)
{
    GnauralDocument document;
    ReadResult result;
    {
        XML_Parser parser = XML_ParserCreate(nullptr);
        if (!parser)
            throw std::bad_alloc();
        GnauralCollector collector(parser, document);
        XML_SetUserData(parser, &collector);
        XML_SetElementHandler(parser, &GnauralCollector::onStart, &GnauralCollector::onEnd);
        XML_SetCharacterDataHandler(parser, &GnauralCollector::onText);
        XML_SetStartDoctypeDeclHandler(parser, &GnauralCollector::onDoctype);
        const bool parsed = XML_Parse(parser, text.data(),
                                      static_cast<int>(std::min<std::size_t>(text.size(), INT32_MAX)),
                                      XML_TRUE) == XML_STATUS_OK;
        if (document.doctype)
            result.problems.push_back(
                {fileName, document.doctypeLine, "a document type declaration is not accepted in a schedule"});
        else if (!parsed)
            result.problems.push_back(
                {fileName, static_cast<int>(XML_GetCurrentLineNumber(parser)),
                 std::string("not well-formed XML: ") + XML_ErrorString(XML_GetErrorCode(parser))});
        XML_ParserFree(parser);
    }
    if (!result.problems.empty())
        return result;
    if (document.root != "schedule") {
        result.problems.push_back({fileName, 1, "not a Gnaural schedule (its outermost element is not <schedule>)"});
        return result;
    }
    return GnauralBuilder(document, fileName, folder).build();
}

} // namespace aurelith::sequence
