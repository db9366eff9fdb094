// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/ControlNames.h"
#include "ui/Form.h"

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <optional>
// GCC 12 takes the std::function inside std::regex's automaton for maybe
// uninitialised where it is copied (a false positive).
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
#include <regex>
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif
#include <set>
#include <sstream>

namespace aurelith {
namespace {

using namespace ctl;

// Spot checks across every family of the design, from the drawings: where a
// control sits (twips) and what it says; an empty field is not the row's point.
struct Expected {
    std::string_view name;
    std::optional<std::string_view> parent = std::nullopt; // "": on the window itself
    std::array<int, 4> box{-1, -1, -1, -1};                // left, top, width, height
    const char* caption = nullptr;                         // a text box's text
    const char* tooltip = nullptr;
};

TEST(Layout, ControlsSitWhereTheDesignPutsThem)
{
    const Form form;
    const Expected expected[] = {
        {Frame1, "", {120, 120, 1335, 615}, "Left Freq Right"},
        {txtsetfreq2, Frame1, {720, 240, 495, 285}, "165", "Edit Right Frequency"},
        {Frame3, "", {120, 1920, 1335, 615}, "Col  Sets  LtSd"},
        {Frame8, Frame3, {0, 600, 1095, 15}, ""},
        {Frame9, "", {5760, 120, 6015, 2415}, "Brainwave Frequencies (1 to 20 HZ) Use 2X freq for 20 to 40 and above"},
        {Command8, Frame9, {960, 1800, 735, 375}, "U Delta"},
        {Command21, Frame9, {3480, 1800, 735, 375}, "UGama"},
        {Command57, Frame9, {5160, 1800, 735, 375}, "Prg H"},
        {Command87, Frame6, {10680, 240, 855, 255}, "EventOFF"},
        {cmdExit, Frame6, {10680, 1680, 855, 255}, "Exit"},
        {Command47, Frame6, {120, 960, 855, 255}, "Clear"},
        {Command37, Frame17, {120, 2045, 735, 255}, "BGrd 4"},
        {Text22, Frame18, {480, 2160, 255, 195}, ""},
        {Label9, Frame18, {80, 2160, 375, 195}, "CL4", "Color Set/"},
        {scrToneVol, "", {3840, 360, 975, 255}, ""},
        {HScroll1, Frame11, {120, 240, 975, 255}, ""},
        {cmdStop, "", {240, 3000, 855, 255}, "Stop"},
        {Text4, Frame10, {120, 240, 11415, 3015}, ""},
        {.name = txtSetFreq1, .tooltip = "Edit Left Frequency "},
        {.name = Command66, .tooltip = "Picks either Sine, Square, Saw, Triaangle Wave  functions."},
        {.name = Command91, .tooltip = "Selects White, Pink, or Custom Masking sound files."},
        {.name = Command19, .tooltip = "18 Hz Sound"},
        {.name = Command68, .tooltip = "Sets All Volume controls To Min."},
        {.name = Text14, .tooltip = "On / Off Lights"},
        {.name = opts9, .parent = "opt0"},
        {.name = f8, .caption = "&U Theta"},
        {.name = p8, .caption = "&Store Freq H,P,X"},
        {.name = op9, .caption = "&Stim 3,711,15"},
    };
    for (const Expected& e : expected) {
        SCOPED_TRACE(e.name);
        const Control& c = form.control(e.name);
        EXPECT_TRUE(!e.parent || c.parent == *e.parent) << c.parent;
        EXPECT_TRUE(e.box[0] < 0 || (std::array{c.left, c.top, c.width, c.height}) == e.box);
        EXPECT_TRUE(!e.caption || (c.kind == ControlKind::TextBox ? c.text : c.caption) == e.caption);
        EXPECT_TRUE(!e.tooltip || c.tooltip == e.tooltip) << c.tooltip;
    }
}

// What the spot checks cannot see: a name given twice, a control whose parent
// comes later or is no container, a control drawn outside its frame (clipped
// away on screen), a name the handlers use that the window lacks.
TEST(Layout, TableIsWellFormed)
{
    const Form form;
    std::set<std::string> seen;
    for (const std::string& name : form.names()) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(seen.insert(name).second) << "named twice";
        const Control& c = form.control(name);
        if (c.parent.empty())
            continue;
        ASSERT_TRUE(seen.count(c.parent)) << "parent " << c.parent << " not listed before";
        const Control& p = form.control(c.parent);
        const bool inMenu = c.kind == ControlKind::MenuItem || c.kind == ControlKind::Menu;
        EXPECT_EQ(p.kind, inMenu ? ControlKind::Menu : ControlKind::Frame);
        if (!inMenu && c.kind != ControlKind::Timer) {
            EXPECT_GE(c.left, 0);
            EXPECT_GE(c.top, 0);
            EXPECT_LE(c.left + c.width, p.width);
            EXPECT_LE(c.top + c.height, p.height);
        }
    }
    std::ifstream header(std::filesystem::path(AURELITH_SOURCE_DIR) / "src" / "ui" / "ControlNames.h");
    std::stringstream text;
    text << header.rdbuf();
    const std::string names = text.str();
    const std::regex declared(R"re(std::string_view\s+\w+\s*=\s*"(\w+)")re");
    int count = 0;
    for (std::sregex_iterator it(names.begin(), names.end(), declared), end; it != end; ++it, ++count)
        EXPECT_TRUE(seen.count((*it)[1].str())) << (*it)[1].str() << " is named but not in the window";
    EXPECT_GT(count, 250);
}

std::vector<std::string> menuItems(const Form& form, std::string_view menu)
{
    std::vector<std::string> items;
    for (const std::string& name : form.names())
        if (form.control(name).kind == ControlKind::MenuItem && form.control(name).parent == menu)
            items.push_back(name + " " + form.control(name).caption);
    return items;
}

TEST(Layout, MenusHoldTheirItemsInOrder)
{
    const Form form;
    using Items = std::vector<std::string>;
    EXPECT_EQ(menuItems(form, "op0"),
              (Items{"opt15 &Color ON", "opt16 &Color OFF", "opt17 &On Color", "opt18 &Off Color", "op5 &Stim 1,5,9,13",
                     "op6 &BkGrd 1,5,9,13", "op7 &Stim 2,6,10,14", "op8 &BkGrd 2,6,10,14", "op9 &Stim 3,711,15",
                     "op10 &BkGrd 3,7,11,15", "op11 &Stim 4,8,12,16", "op12 &BkGrd 4,8,12,16", "opt1 &Color Sets",
                     "opt19 &Color Program", "opt4 &Color Refresh", "opt13 &Full Screen", "opt14 &1/2 Screen"}));
    EXPECT_EQ(menuItems(form, "sp0"),
              (Items{"sp5 &Clear", "sp1 &2X Freqs", "sp2 &1/2 Freqs", "sp3 &Lt/Snd H", "sp4 &Lt/Snd L"}));
    EXPECT_EQ(menuItems(form, "p0").size(), 14u);
    EXPECT_EQ(menuItems(form, "p0")[8], "p9 &Del All Freq Data");
    EXPECT_EQ(menuItems(form, "p0")[11], "p14 &Delete Cond/Event Files");
    EXPECT_EQ(menuItems(form, "p0")[13], "p13 &Del Install File");
    EXPECT_EQ(menuItems(form, "st0"),
              (Items{"st1 &60 Mins", "st2 &50 Mins", "st3 &40 Mins", "st4 &30 Mins", "st5 &20 Mins", "st6 &10 Mins",
                     "st8 &05 Mins", "st9 &01 Min", "st10 &04 Sec", "st7 &Custom"}));
    EXPECT_EQ(menuItems(form, "ab0"), (Items{"ab1 &Version", "ab4 &Sales", "ab2 &Disclaimer", "ab5 &Specifications"}));
    EXPECT_EQ(menuItems(form, "hp0"),
              (Items{"hp7 &Read Manual", "hp5 &Adjustments", "hp6 &Scanner", "hp8 &Music Mixing", "hp1 &Conds/Events",
                     "hp9 &Mask Files", "hp2 &No Sounds", "hp3 &Schumann Freqs.", "hp4 &Fast Start"}));
    EXPECT_EQ(menuItems(form, "ex0"), Items{"ex1 &Exit"});
    EXPECT_EQ(menuItems(form, "f0").size(), 20u);
    EXPECT_EQ(menuItems(form, "f0")[17], "f18 &M Gama");
}

} // namespace
} // namespace aurelith
