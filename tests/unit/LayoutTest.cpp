#include "ui/ControlNames.h"
#include "ui/Form.h"

#include <gtest/gtest.h>

namespace aurelith {
namespace {

using namespace ctl;

struct Expected {
    std::string_view name;
    std::string_view parent;
    int left, top, width, height;
    const char* caption;
};

// Spot checks across every family of the design, from the drawings.
TEST(Layout, ControlsSitWhereTheDesignPutsThem)
{
    const Form form;
    const Expected expected[] = {
        {Frame1, "", 120, 120, 1335, 615, "Left Freq Right"},
        {txtsetfreq2, Frame1, 720, 240, 495, 285, "165"},
        {Frame3, "", 120, 1920, 1335, 615, "Col  Sets  LtSd"},
        {Frame8, Frame3, 0, 600, 1095, 15, ""},
        {Frame9, "", 5760, 120, 6015, 2415,
         "Brainwave Frequencies (1 to 20 HZ) Use 2X freq for 20 to 40 and above"},
        {Command8, Frame9, 960, 1800, 735, 375, "U Delta"},
        {Command21, Frame9, 3480, 1800, 735, 375, "UGama"},
        {Command57, Frame9, 5160, 1800, 735, 375, "Prg H"},
        {Command87, Frame6, 10680, 240, 855, 255, "EventOFF"},
        {cmdExit, Frame6, 10680, 1680, 855, 255, "Exit"},
        {Command47, Frame6, 120, 960, 855, 255, "Clear"},
        {Command37, Frame17, 120, 2045, 735, 255, "BGrd 4"},
        {Text22, Frame18, 480, 2160, 255, 195, ""},
        {Label9, Frame18, 80, 2160, 375, 195, "CL4"},
        {scrToneVol, "", 3840, 360, 975, 255, ""},
        {HScroll1, Frame11, 120, 240, 975, 255, ""},
        {cmdStop, "", 240, 3000, 855, 255, "Stop"},
        {Text4, Frame10, 120, 240, 11415, 3015, ""},
    };
    for (const Expected& e : expected) {
        const Control& c = form.control(e.name);
        EXPECT_EQ(c.parent, e.parent) << e.name;
        EXPECT_EQ(c.left, e.left) << e.name;
        EXPECT_EQ(c.top, e.top) << e.name;
        EXPECT_EQ(c.width, e.width) << e.name;
        EXPECT_EQ(c.height, e.height) << e.name;
        EXPECT_EQ(c.kind == ControlKind::TextBox ? c.text : c.caption, e.caption) << e.name;
    }
}

TEST(Layout, TooltipsAndMenus)
{
    const Form form;
    EXPECT_EQ(form.control(txtSetFreq1).tooltip, "Edit Left Frequency ");
    EXPECT_EQ(form.control(txtsetfreq2).tooltip, "Edit Right Frequency");
    EXPECT_EQ(form.control(Command66).tooltip, "Picks either Sine, Square, Saw, Triaangle Wave  functions.");
    EXPECT_EQ(form.control(Command91).tooltip, "Selects White, Pink, or Custom Masking sound files.");
    EXPECT_EQ(form.control(Command19).tooltip, "18 Hz Sound");
    EXPECT_EQ(form.control(Label9).tooltip, "Color Set/");
    EXPECT_EQ(form.control(Text14).tooltip, "On / Off Lights");
    EXPECT_EQ(form.control(opts9).parent, "opt0");
    EXPECT_EQ(form.control(f8).caption, "&U Theta");
    EXPECT_EQ(form.control(p8).caption, "&Store Freq H,P,X");
    EXPECT_EQ(form.control(op9).caption, "&Stim 3,711,15");

    // Menu items follow their menu, in order.
    std::vector<std::string> exitMenu, aboutMenu;
    for (const std::string& name : form.names()) {
        if (form.control(name).parent == "ex0")
            exitMenu.push_back(form.control(name).caption);
        if (form.control(name).parent == "ab0")
            aboutMenu.push_back(name);
    }
    EXPECT_EQ(exitMenu, std::vector<std::string>{"&Exit"});
    EXPECT_EQ(aboutMenu, (std::vector<std::string>{"ab1", "ab4", "ab2", "ab5"}));
}

} // namespace
} // namespace aurelith
