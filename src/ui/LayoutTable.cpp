// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/LayoutTable.h"

#include <iterator>

#include "core/ToneLimits.h"
#include "ui/ControlDef.h"
#include "ui/ControlNames.h"

namespace aurelith {

using enum ControlKind;
// Names are the ctl:: constants, so a misspelt name fails to compile.
using namespace ctl;

// Captions and tooltips are kept exactly as designed, odd spellings and spaces included:
// users and their notes refer to them as they appear.
// clang-format off
const ControlDef kLayout[] = {
    // Display frames, each followed by its boxes. txtSetFreq1 shows in Frame1's left half but
    // belongs to the window (see the end of the controls).
    {Frame1,       Frame,         "",          120,  120,  1335,  615, "Left Freq Right", ""},
    {txtsetfreq2,  TextBox,       Frame1,      720,  240,   495,  285, "165", "Edit Right Frequency"},
    {Frame12,      Frame,         "",          120,  720,  1335,  615, "Base Freq Drvn", ""},
    {Text1,        TextBox,       Frame12,     120,  240,   495,  285, "", "Edit Base Freq"},
    {Text2,        TextBox,       Frame12,     720,  240,   495,  285, "", "Edit binaural Freq"},
    {Frame4,       Frame,         "",          120, 1320,  1335,  615, "Dur Color Freq", ""},
    {Text3,        TextBox,       Frame4,      120,  240,   495,  285, "", "Color Duration in M.S."},
    {Text5,        TextBox,       Frame4,      720,  240,   495,  285, "", "Strobe Flashes Per Second"},
    {Frame3,       Frame,         "",          120, 1920,  1335,  615, "Col  Sets  LtSd", ""},
    {Text10,       TextBox,       Frame3,      120,  240,   495,  285, "", "Color Set"},
    {Text11,       TextBox,       Frame3,      720,  240,   495,  285, "", "Light Sound Ratio"},
    {Frame8,       Frame,         Frame3,      0,  600,  1095,   15, "", ""},
    {Frame13,      Frame,         "",          1440,  120,  1335,  615, "Vol Tone Mod", ""},
    {Text8,        TextBox,       Frame13,     120,  240,   495,  285, "", "Volume Level"},
    {Text9,        TextBox,       Frame13,     720,  240,   495,  285, "", "Modulation Level"},
    {Frame14,      Frame,         "",          1440,  720,  1335,  615, "Mask Base Freq", ""},
    {Text12,       TextBox,       Frame14,     120,  240,   495,  285, "", "Mask Level"},
    {Text13,       TextBox,       Frame14,     720,  240,   495,  285, "", "Base Frequency"},
    {Frame15,      Frame,         "",          1440, 1320,  1335,  615, "Stim Color", ""},
    {Text6,        TextBox,       Frame15,     120,  240,  1095,  285, "", "Stim RGB Color Code"},
    {Frame16,      Frame,         "",          1440, 1920,  1335,  615, "BkGrd Color", ""},
    {Text7,        TextBox,       Frame16,     120,  240,  1095,  285, "", "BkGrd RGB Color Code"},

    // Colour-set buttons: one column, tops as designed (the steps are uneven).
    {Frame17,      Frame,         "",          2760,  120,   975, 2415, "Color Sets", ""},
    {Command58,    CommandButton, Frame17,     120,  240,   735,  255, "Stim 1", "Stimulation Color 1"},
    {Command59,    CommandButton, Frame17,     120,  490,   735,  255, "BGrd 1", "Back Ground Color 1"},
    {Command32,    CommandButton, Frame17,     120,  750,   735,  255, "Stim 2", "Stimulation Color 2"},
    {Command33,    CommandButton, Frame17,     120, 1005,   735,  255, "BGrd 2", "Back Ground Color 2"},
    {Command34,    CommandButton, Frame17,     120, 1270,   735,  255, "Stim 3", "Stimulation Color 3"},
    {Command35,    CommandButton, Frame17,     120, 1525,   735,  255, "BGrd 3", "Back Ground Color 3"},
    {Command36,    CommandButton, Frame17,     120, 1785,   735,  255, "Stim 4", "Stimulation Color 4"},
    {Command37,    CommandButton, Frame17,     120, 2045,   735,  255, "BGrd 4", "Back Ground Color 4"},

    // Level bars. Frame2 stays empty: scrToneVol lies over it on the window.
    {Frame2,       Frame,         "",          3720,  120,  1215,  615, "Tone Vol", ""},
    {Frame5,       Frame,         "",          3720,  720,  1215,  615, "Tone Mod", ""},
    {scrBalance,   HScrollBar,    Frame5,      120,  240,   975,  255, "", ""},
    {Frame7,       Frame,         "",          3720, 1320,  1215,  615, "Mask Vol", ""},
    {scrMaskVol,   HScrollBar,    Frame7,      120,  240,   975,  255, "", ""},
    {Frame11,      Frame,         "",          3720, 1920,  1215,  615, "Base Freq", ""},
    {HScroll1,     HScrollBar,    Frame11,     120,  240,   975,  255, "", ""},

    // Mode panel: nine lamps, each with its label to the left at the same top.
    {Frame18,      Frame,         "",          4920,  120,   855, 2415, "Mode", ""},
    {Text14,       TextBox,       Frame18,     480,  240,   255,  195, "", "On / Off Lights"},
    {Label1,       Label,         Frame18,     80,  240,   375,  195, "SND", "Sound On/Off"},
    {Text15,       TextBox,       Frame18,     480,  480,   255,  195, "", "On / Off Lights"},
    {Label2,       Label,         Frame18,     80,  480,   375,  195, "COL", "Color Strobe On/Off"},
    {Text16,       TextBox,       Frame18,     480,  720,   255,  195, "", "On / Off Lights"},
    {Label3,       Label,         Frame18,     80,  720,   375,  195, "PGA", "Program Mode/Scan Mode"},
    {Text17,       TextBox,       Frame18,     480,  960,   255,  195, "", "On / Off Lights"},
    {Label4,       Label,         Frame18,     80,  960,   375,  195, "PGI", "Program Mode/Scan Mode"},
    {Text18,       TextBox,       Frame18,     480, 1200,   255,  195, "", "On / Off Lights"},
    {Label5,       Label,         Frame18,     80, 1200,   375,  195, "PGQ", "Program Mode/Scan Mode"},
    {Text19,       TextBox,       Frame18,     480, 1440,   255,  195, "", "On / Off Lights"},
    {Label6,       Label,         Frame18,     80, 1440,   375,  195, "CL1", "Color Set/Scan Up"},
    {Text20,       TextBox,       Frame18,     480, 1680,   255,  195, "", "On / Off Lights"},
    {Label7,       Label,         Frame18,     80, 1680,   375,  195, "CL2", "Color Set/Scan Down"},
    {Text21,       TextBox,       Frame18,     480, 1920,   255,  195, "", "On / Off Lights"},
    {Label8,       Label,         Frame18,     80, 1920,   375,  195, "CL3", "Color Set/Scanner On"},
    {Text22,       TextBox,       Frame18,     480, 2160,   255,  195, "", "On / Off Lights"},
    {Label9,       Label,         Frame18,     80, 2160,   375,  195, "CL4", "Color Set/"},

    // Band presets (five columns, L/M/H/U downwards) and memory recall buttons, row by row.
    {Frame9,       Frame,         "",          5760,  120,  6015, 2415, "Brainwave Frequencies (1 to 20 HZ) Use 2X freq for 20 to 40 and above", ""},
    {Command1,     CommandButton, Frame9,      120,  360,   735,  375, "L Delta", "1 Hz Sound"},
    {Command5,     CommandButton, Frame9,      960,  360,   735,  375, "LTheta", "5 Hz Sound"},
    {Command9,     CommandButton, Frame9,      1800,  360,   735,  375, "L Apha", "9 Hz Sound"},
    {Command13,    CommandButton, Frame9,      2640,  360,   735,  375, "L Beta", "13 Hz Sound"},
    {Command17,    CommandButton, Frame9,      3480,  360,   735,  375, "LGama", "17 Hz Sound"},
    {Command38,    CommandButton, Frame9,      4320,  360,   735,  375, "Prg A", "Recalls Store Freq. in A,I,Q"},
    {Command54,    CommandButton, Frame9,      5160,  360,   735,  375, "Prg E", "Recalls Store Freq. in E,M,U"},
    {Command2,     CommandButton, Frame9,      120,  840,   735,  375, "M Delta", "2 Hz Sound"},
    {Command6,     CommandButton, Frame9,      960,  840,   735,  375, "M Theta", "6 Hz Sound"},
    {Command10,    CommandButton, Frame9,      1800,  840,   735,  375, "M Alpha", "10 Hz Sound"},
    {Command14,    CommandButton, Frame9,      2640,  840,   735,  375, "M Beta", "14 Hz Sound"},
    {Command19,    CommandButton, Frame9,      3480,  840,   735,  375, "MGama", "18 Hz Sound"},
    {Command39,    CommandButton, Frame9,      4320,  840,   735,  375, "Prg B", "Recalls Store Freq. in B,J,R"},
    {Command55,    CommandButton, Frame9,      5160,  840,   735,  375, "Prg F", "Recalls Store Freq. in F,N,V"},
    {Command3,     CommandButton, Frame9,      120, 1320,   735,  375, "H Delta", "3 Hz Sound"},
    {Command7,     CommandButton, Frame9,      960, 1320,   735,  375, "H Theta", "7 Hz Sound"},
    {Command11,    CommandButton, Frame9,      1800, 1320,   735,  375, "H Alpha", "11 Hz Sound"},
    {Command15,    CommandButton, Frame9,      2640, 1320,   735,  375, "H Beta", "15 Hz Sound"},
    {Command20,    CommandButton, Frame9,      3480, 1320,   735,  375, "HGama", "19 Hz Sound"},
    {Command40,    CommandButton, Frame9,      4320, 1320,   735,  375, "Prg C", "Recalls Store Freq. in C,K,S"},
    {Command56,    CommandButton, Frame9,      5160, 1320,   735,  375, "Prg G", "Recalls Store Freq. in G,O,W"},
    {Command4,     CommandButton, Frame9,      120, 1800,   735,  375, "U Delta", "4 Hz Sound"},
    {Command8,     CommandButton, Frame9,      960, 1800,   735,  375, "U Delta", "8 Hz Sound"},
    {Command12,    CommandButton, Frame9,      1800, 1800,   735,  375, "U Alpha", "12 Hz Sound"},
    {Command16,    CommandButton, Frame9,      2640, 1800,   735,  375, "U Beta", "16 Hz Sound"},
    {Command21,    CommandButton, Frame9,      3480, 1800,   735,  375, "UGama", "20 Hz Sound"},
    {Command41,    CommandButton, Frame9,      4320, 1800,   735,  375, "Prg D", "Recalls Store Freq. in D,L,T"},
    {Command57,    CommandButton, Frame9,      5160, 1800,   735,  375, "Prg H", "Recalls Store Freq. in H,P,X"},

    // Button panel, row by row. The first two cells of column 1 are left to cmdGenerate and cmdStop.
    {Frame6,       Frame,         "",          120, 2400, 11655, 2055, "", ""},
    {Command22,    CommandButton, Frame6,      1080,  240,   855,  255, "ColorOn", "Strobe On"},
    {Command68,    CommandButton, Frame6,      2040,  240,   855,  255, "ZeroVols", "Sets All Volume controls To Min."},
    {Command27,    CommandButton, Frame6,      3000,  240,   855,  255, "1/2 freq", "Cut Freq to 50%"},
    {Command43,    CommandButton, Frame6,      3960,  240,   855,  255, "Prg Set A", "Programs Freqs into Prg A,I,Q"},
    {Command51,    CommandButton, Frame6,      4920,  240,   855,  255, "Prg Set E", "Programs Freqs into Prg E,M,V"},
    {Command63,    CommandButton, Frame6,      5880,  240,   855,  255, "Up 1 HZ", "Tone up 1 HZ"},
    {Command71,    CommandButton, Frame6,      6840,  240,   855,  255, "ScanUp", "Scans low to high Freqs"},
    {Command75,    CommandButton, Frame6,      7800,  240,   855,  255, "Scan 1", "Picks or Programs Banks 1,5,9"},
    {Command88,    CommandButton, Frame6,      8760,  240,   855,  255, "Up Limit", "Enter Upper Limit then Press Enter (For Scanner)"},
    {Command82,    CommandButton, Frame6,      9720,  240,   855,  255, "Cond", "for Programming Conditions."},
    {Command87,    CommandButton, Frame6,      10680,  240,   855,  255, "EventOFF", "Turns On/Off Condition/Event Functions."},
    {Command23,    CommandButton, Frame6,      1080,  600,   855,  255, "ColorOff", "Strobe Off"},
    {Command24,    CommandButton, Frame6,      2040,  600,   855,  255, "Mixer", "Sound Mixer"},
    {Command25,    CommandButton, Frame6,      3000,  600,   855,  255, "2X Freq", "Doubles Frequency"},
    {Command44,    CommandButton, Frame6,      3960,  600,   855,  255, "Prg Set B", "Programs Freqs into Prg B,J,R"},
    {Command48,    CommandButton, Frame6,      4920,  600,   855,  255, "Prg Set F", "Programs Freqs into Prg F,N,V"},
    {Command67,    CommandButton, Frame6,      5880,  600,   855,  255, "Dw 1 HZ", "Tone down 1 HZ"},
    {Command80,    CommandButton, Frame6,      6840,  600,   855,  255, "ScanDn", "Scans high to Low Freqs"},
    {Command72,    CommandButton, Frame6,      7800,  600,   855,  255, "Scan 2", "Picks or Programs Banks 2,6,10"},
    {Command89,    CommandButton, Frame6,      8760,  600,   855,  255, "Dw Limit", "Enter Lower Limit then Press Enter (For Scanner)"},
    {Command93,    CommandButton, Frame6,      9720,  600,   855,  255, "Event", "for Programming events."},
    {Command86,    CommandButton, Frame6,      10680,  600,   855,  255, "DeFCnd", "PrePrograms Conditions and Events."},
    {Command47,    CommandButton, Frame6,      120,  960,   855,  255, "Clear", "Clears Freq Text Boxes"},
    {Command29,    CommandButton, Frame6,      1080,  960,   855,  255, "Color Set", "Select different Color Sets"},
    {Command62,    CommandButton, Frame6,      2040,  960,   855,  255, "Recorder", "Launches Wave Recorder"},
    {Command52,    CommandButton, Frame6,      3000,  960,   855,  255, "Lt/Snd L", "Light/Sound Flash Ratio Lower"},
    {Command45,    CommandButton, Frame6,      3960,  960,   855,  255, "Prg Set C", "Programs Freqs into Prg C,K,S"},
    {Command49,    CommandButton, Frame6,      4920,  960,   855,  255, "Prg Set G", "Programs Freqs into Prg G,O,W"},
    {Command64,    CommandButton, Frame6,      5880,  960,   855,  255, "Up 5 Hz", "Tone up 5 HZ"},
    {Command73,    CommandButton, Frame6,      6840,  960,   855,  255, "ScanOn", "Turns Scanner On"},
    {Command74,    CommandButton, Frame6,      7800,  960,   855,  255, "Scan 3", "Picks or Programs Banks 3,7,1"},
    {Command85,    CommandButton, Frame6,      8760,  960,   855,  255, "Enter", "Enters Upper / Lower Limits into Memory."},
    {Command84,    CommandButton, Frame6,      9720,  960,   855,  255, "PrgCDET", "Picks Cond/Event to program."},
    {Command61,    CommandButton, Frame6,      10680,  960,   855,  255, "Rev", "Strobe Half Screen"},
    {Command18,    CommandButton, Frame6,      120, 1320,   855,  255, "Reset", "Reset To Default"},
    {Command92,    CommandButton, Frame6,      1080, 1320,   855,  255, "ColPrg", "Picks one of 4 sets of colors for color programming."},
    {Command70,    CommandButton, Frame6,      2040, 1320,   855,  255, "MediaPyr", "Launches Windows Media Player"},
    {Command53,    CommandButton, Frame6,      3000, 1320,   855,  255, "Lt/Snd H", "Light/Sound Flash Ratio Higher"},
    {Command46,    CommandButton, Frame6,      3960, 1320,   855,  255, "Prg Set D", "Programs Freqs into Prg D,L,T"},
    {Command50,    CommandButton, Frame6,      4920, 1320,   855,  255, "Prg Set H", "Programs Freqs into Prg H,P,X"},
    {Command69,    CommandButton, Frame6,      5880, 1320,   855,  255, "Dw 5 HZ", "Tone down 5 HZ"},
    {Command79,    CommandButton, Frame6,      6840, 1320,   855,  255, "ScanOff", "Turns Scanner Off"},
    {Command76,    CommandButton, Frame6,      7800, 1320,   855,  255, "Scan 4", "Picks or Programs Banks 4,8,12"},
    {Command91,    CommandButton, Frame6,      8760, 1320,   855,  255, "Mask", "Selects White, Pink, or Custom Masking sound files."},
    {Command90,    CommandButton, Frame6,      9720, 1320,   855,  255, "PrgCond", "Programs Conditions entered with PrgCDET Button."},
    {Command81,    CommandButton, Frame6,      10680, 1320,   855,  255, "Manual", "Displays Manual"},
    {Command28,    CommandButton, Frame6,      120, 1680,   855,  255, "Rebuild", "Rebuild Sound Files"},
    {Command31,    CommandButton, Frame6,      1080, 1680,   855,  255, "FullScrn", "Strobe Full Screen"},
    {Command30,    CommandButton, Frame6,      2040, 1680,   855,  255, "DXDiag", "Direct X Diagnostics"},
    {Command26,    CommandButton, Frame6,      3000, 1680,   855,  255, "Rev Chn", "Revearse Channels"},
    {Command65,    CommandButton, Frame6,      3960, 1680,   855,  255, "PrgSet", "Picks one of 3 programmable button groups (8X3)."},
    {Command42,    CommandButton, Frame6,      4920, 1680,   855,  255, "Def Prg", "Loads Schumann resonances in Prg A-D."},
    {Command60,    CommandButton, Frame6,      5880, 1680,   855,  255, "BaseFreq", "BaseFreq ON/OFF for all Frequency buttons"},
    {Command78,    CommandButton, Frame6,      6840, 1680,   855,  255, "RunSet", "Pressing RunSet Activates Scan # buttons for freq recall."},
    {Command77,    CommandButton, Frame6,      7800, 1680,   855,  255, "PrgSet", "Pressing Prgset and then a Scan # button stores freq. pair in that bank."},
    {Command66,    CommandButton, Frame6,      8760, 1680,   855,  255, "Wave", "Picks either Sine, Square, Saw, Triaangle Wave  functions."},
    {Command83,    CommandButton, Frame6,      9720, 1680,   855,  255, "PrgEvnt", "Programs Events entered with PrgCDET Button."},
    {cmdExit,      CommandButton, Frame6,      10680, 1680,   855,  255, "Exit", "Click to Exit Program"},

    // Stimulation panel with its flash surface.
    {Frame10,      Frame,         "",          120, 4440, 11655, 3375, "Photolitic Stimulation Section", ""},
    {Text4,        TextBox,       Frame10,     120,  240, 11415, 3015, "", ""},

    // Placed on the window itself and listed after every frame, so they stay on top of
    // Frame1, Frame2 and the two empty cells of the button panel.
    {txtSetFreq1,  TextBox,       "",          240,  360,   495,  285, "159", "Edit Left Frequency "},
    {scrToneVol,   HScrollBar,    "",          3840,  360,   975,  255, "", ""},
    {cmdGenerate,  CommandButton, "",          240, 2640,   855,  255, "Start", "Click to Generate"},
    {cmdStop,      CommandButton, "",          240, 3000,   855,  255, "Stop", "Click to Pause or Stop"},

    // Invisible; enabled state and interval are in kTimers.
    {Timer1,       Timer,         "",          0,    0,     0,    0, "", ""},
    {Timer2,       Timer,         "",          0,    0,     0,    0, "", ""},
    {Timer3,       Timer,         "",          0,    0,     0,    0, "", ""},
    {tmrSleep,     Timer,         "",          0,    0,     0,    0, "", ""},
    {tmrSequence,  Timer,         "",          0,    0,     0,    0, "", ""},

    // Menu bar, left to right, each menu followed by its items in menu order.
    {f0,           Menu,          "",          0,    0,     0,    0, "&Freqs", ""},
    {f1,           MenuItem,      f0,          0,    0,     0,    0, "&L Delta", ""},
    {f2,           MenuItem,      f0,          0,    0,     0,    0, "&M Delta", ""},
    {f3,           MenuItem,      f0,          0,    0,     0,    0, "&H Delta", ""},
    {f4,           MenuItem,      f0,          0,    0,     0,    0, "&U Delta", ""},
    {f5,           MenuItem,      f0,          0,    0,     0,    0, "&L Theta", ""},
    {f6,           MenuItem,      f0,          0,    0,     0,    0, "&M Theta", ""},
    {f7,           MenuItem,      f0,          0,    0,     0,    0, "&H Theta", ""},
    {f8,           MenuItem,      f0,          0,    0,     0,    0, "&U Theta", ""},
    {f9,           MenuItem,      f0,          0,    0,     0,    0, "&L Alpha", ""},
    {f10,          MenuItem,      f0,          0,    0,     0,    0, "&M Alpha", ""},
    {f11,          MenuItem,      f0,          0,    0,     0,    0, "&H Alpha", ""},
    {f12,          MenuItem,      f0,          0,    0,     0,    0, "&U Alpha", ""},
    {f13,          MenuItem,      f0,          0,    0,     0,    0, "&L Beta", ""},
    {f14,          MenuItem,      f0,          0,    0,     0,    0, "&M Beta", ""},
    {f15,          MenuItem,      f0,          0,    0,     0,    0, "&H Beta", ""},
    {f16,          MenuItem,      f0,          0,    0,     0,    0, "&U Beta", ""},
    {f17,          MenuItem,      f0,          0,    0,     0,    0, "&L Gama", ""},
    {f18,          MenuItem,      f0,          0,    0,     0,    0, "&M Gama", ""},
    {f19,          MenuItem,      f0,          0,    0,     0,    0, "&H Gama", ""},
    {f20,          MenuItem,      f0,          0,    0,     0,    0, "&U Gama", ""},
    {opt0,         Menu,          "",          0,    0,     0,    0, "&Options", ""},
    {opts1,        MenuItem,      opt0,        0,    0,     0,    0, "&Sound ON", ""},
    {opts2,        MenuItem,      opt0,        0,    0,     0,    0, "&Sound OFF", ""},
    {opts3,        MenuItem,      opt0,        0,    0,     0,    0, "&Color ON", ""},
    {opts4,        MenuItem,      opt0,        0,    0,     0,    0, "&Color OFF", ""},
    {opts5,        MenuItem,      opt0,        0,    0,     0,    0, "&Mixer", ""},
    {opts11,       MenuItem,      opt0,        0,    0,     0,    0, "&Recorder", ""},
    {opts6,        MenuItem,      opt0,        0,    0,     0,    0, "&Def Prg", ""},
    {opts7,        MenuItem,      opt0,        0,    0,     0,    0, "&Rebuild", ""},
    {opts9,        MenuItem,      opt0,        0,    0,     0,    0, "&RevChan", ""},
    {opts10,       MenuItem,      opt0,        0,    0,     0,    0, "&DxDiag", ""},
    {optSleep,     MenuItem,      opt0,        0,    0,     0,    0, "S&leep Timer...", ""},
    {optHeadphones, MenuItem,     opt0,        0,    0,     0,    0, "&Headphone Check", ""},
    {optGentle,    MenuItem,      opt0,        0,    0,     0,    0, "&Gentle Light", ""},
    {optSequences, MenuItem,      opt0,        0,    0,     0,    0, "Se&quences...", ""},
    {op0,          Menu,          "",          0,    0,     0,    0, "&Color", ""},
    {opt15,        MenuItem,      op0,         0,    0,     0,    0, "&Color ON", ""},
    {opt16,        MenuItem,      op0,         0,    0,     0,    0, "&Color OFF", ""},
    {opt17,        MenuItem,      op0,         0,    0,     0,    0, "&On Color", ""},
    {opt18,        MenuItem,      op0,         0,    0,     0,    0, "&Off Color", ""},
    {op5,          MenuItem,      op0,         0,    0,     0,    0, "&Stim 1,5,9,13", ""},
    {op6,          MenuItem,      op0,         0,    0,     0,    0, "&BkGrd 1,5,9,13", ""},
    {op7,          MenuItem,      op0,         0,    0,     0,    0, "&Stim 2,6,10,14", ""},
    {op8,          MenuItem,      op0,         0,    0,     0,    0, "&BkGrd 2,6,10,14", ""},
    {op9,          MenuItem,      op0,         0,    0,     0,    0, "&Stim 3,711,15", ""},
    {op10,         MenuItem,      op0,         0,    0,     0,    0, "&BkGrd 3,7,11,15", ""},
    {op11,         MenuItem,      op0,         0,    0,     0,    0, "&Stim 4,8,12,16", ""},
    {op12,         MenuItem,      op0,         0,    0,     0,    0, "&BkGrd 4,8,12,16", ""},
    {opt1,         MenuItem,      op0,         0,    0,     0,    0, "&Color Sets", ""},
    {opt19,        MenuItem,      op0,         0,    0,     0,    0, "&Color Program", ""},
    {opt4,         MenuItem,      op0,         0,    0,     0,    0, "&Color Refresh", ""},
    {opt13,        MenuItem,      op0,         0,    0,     0,    0, "&Full Screen", ""},
    {opt14,        MenuItem,      op0,         0,    0,     0,    0, "&1/2 Screen", ""},
    {sp0,          Menu,          "",          0,    0,     0,    0, "&Speeds", ""},
    {sp5,          MenuItem,      sp0,         0,    0,     0,    0, "&Clear", ""},
    {sp1,          MenuItem,      sp0,         0,    0,     0,    0, "&2X Freqs", ""},
    {sp2,          MenuItem,      sp0,         0,    0,     0,    0, "&1/2 Freqs", ""},
    {sp3,          MenuItem,      sp0,         0,    0,     0,    0, "&Lt/Snd H", ""},
    {sp4,          MenuItem,      sp0,         0,    0,     0,    0, "&Lt/Snd L", ""},
    {p0,           Menu,          "",          0,    0,     0,    0, "&Freq Sets", ""},
    {p1,           MenuItem,      p0,          0,    0,     0,    0, "&Store Freq A,I,Q", ""},
    {p2,           MenuItem,      p0,          0,    0,     0,    0, "&Store Freq B,J,R", ""},
    {p3,           MenuItem,      p0,          0,    0,     0,    0, "&Store Freq C,K,S", ""},
    {p4,           MenuItem,      p0,          0,    0,     0,    0, "&Store Freq D,L,T", ""},
    {p5,           MenuItem,      p0,          0,    0,     0,    0, "&Store Freq E,M,U", ""},
    {p6,           MenuItem,      p0,          0,    0,     0,    0, "&Store Freq F,N,V", ""},
    {p7,           MenuItem,      p0,          0,    0,     0,    0, "&Store Freq G,O,W", ""},
    {p8,           MenuItem,      p0,          0,    0,     0,    0, "&Store Freq H,P,X", ""},
    {p9,           MenuItem,      p0,          0,    0,     0,    0, "&Del All Freq Data", ""},
    {p10,          MenuItem,      p0,          0,    0,     0,    0, "&Del All Vol Data", ""},
    {p11,          MenuItem,      p0,          0,    0,     0,    0, "&Del All Color Data", ""},
    {p14,          MenuItem,      p0,          0,    0,     0,    0, "&Delete Cond/Event Files", ""},
    {p12,          MenuItem,      p0,          0,    0,     0,    0, "&Del All Data Files", ""},
    {p13,          MenuItem,      p0,          0,    0,     0,    0, "&Del Install File", ""},
    {st0,          Menu,          "",          0,    0,     0,    0, "&ScanTime", ""},
    {st1,          MenuItem,      st0,         0,    0,     0,    0, "&60 Mins", ""},
    {st2,          MenuItem,      st0,         0,    0,     0,    0, "&50 Mins", ""},
    {st3,          MenuItem,      st0,         0,    0,     0,    0, "&40 Mins", ""},
    {st4,          MenuItem,      st0,         0,    0,     0,    0, "&30 Mins", ""},
    {st5,          MenuItem,      st0,         0,    0,     0,    0, "&20 Mins", ""},
    {st6,          MenuItem,      st0,         0,    0,     0,    0, "&10 Mins", ""},
    {st8,          MenuItem,      st0,         0,    0,     0,    0, "&05 Mins", ""},
    {st9,          MenuItem,      st0,         0,    0,     0,    0, "&01 Min", ""},
    {st10,         MenuItem,      st0,         0,    0,     0,    0, "&04 Sec", ""},
    {st7,          MenuItem,      st0,         0,    0,     0,    0, "&Custom", ""},
    {ab0,          Menu,          "",          0,    0,     0,    0, "&About", ""},
    {ab1,          MenuItem,      ab0,         0,    0,     0,    0, "&Version", ""},
    {ab4,          MenuItem,      ab0,         0,    0,     0,    0, "&Sales", ""},
    {ab2,          MenuItem,      ab0,         0,    0,     0,    0, "&Disclaimer", ""},
    {ab5,          MenuItem,      ab0,         0,    0,     0,    0, "&Specifications", ""},
    {hp0,          Menu,          "",          0,    0,     0,    0, "&Help", ""},
    {hp7,          MenuItem,      hp0,         0,    0,     0,    0, "&Read Manual", ""},
    {hp5,          MenuItem,      hp0,         0,    0,     0,    0, "&Adjustments", ""},
    {hp6,          MenuItem,      hp0,         0,    0,     0,    0, "&Scanner", ""},
    {hp8,          MenuItem,      hp0,         0,    0,     0,    0, "&Music Mixing", ""},
    {hp1,          MenuItem,      hp0,         0,    0,     0,    0, "&Conds/Events", ""},
    {hp9,          MenuItem,      hp0,         0,    0,     0,    0, "&Mask Files", ""},
    {hp2,          MenuItem,      hp0,         0,    0,     0,    0, "&No Sounds", ""},
    {hp3,          MenuItem,      hp0,         0,    0,     0,    0, "&Schumann Freqs.", ""},
    {hp4,          MenuItem,      hp0,         0,    0,     0,    0, "&Fast Start", ""},
    {ex0,          Menu,          "",          0,    0,     0,    0, "&Exit", ""},
    {ex1,          MenuItem,      ex0,         0,    0,     0,    0, "&Exit", ""},
};
// clang-format on

const int kLayoutCount = static_cast<int>(std::size(kLayout));

// Ranges and start positions of the four bars. The volume bars are attenuations in
// hundredths of a decibel, so their maximum 0 is full level.
const ScrollDef kScrollBars[] = {
    {scrToneVol, -5000, 0, 50, 500, -3000},
    {scrBalance, 0, 5000, 100, 500, 5000},
    {scrMaskVol, -5000, 0, 50, 500, 0},
    // The frequency bar spans the tones the program plays.
    {HScroll1, static_cast<int>(kLowestTone), static_cast<int>(kHighestTone), 5, 25, 160},
};

const int kScrollBarCount = static_cast<int>(std::size(kScrollBars));

// Timer3 is enabled from the start with interval 0, which never fires; the scanner
// only has to set an interval to start stepping.
const TimerDef kTimers[] = {
    {Timer1, false, 100}, {Timer2, false, 0},      {Timer3, true, 0},
    {tmrSleep, false, 0}, {tmrSequence, false, 0}, // a playing sequence sets its own
};

const int kTimerCount = static_cast<int>(std::size(kTimers));

// Displays of the level bars: they show a position, typing into them means nothing.
const std::string_view kReadOnlyBoxes[] = {Text8, Text9, Text12, Text13};

const int kReadOnlyCount = static_cast<int>(std::size(kReadOnlyBoxes));

} // namespace aurelith
