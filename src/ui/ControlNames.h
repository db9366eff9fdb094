// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <string_view>

// Designer names of every control, menu and menu item of the main window. Handlers
// reach controls through these constants so that a misspelt name fails to compile.
// The spelling is the designer's, case included (txtsetfreq2 is all lower case).

namespace aurelith::ctl {

// clang-format off
// Frames
inline constexpr std::string_view Frame1  = "Frame1";
inline constexpr std::string_view Frame2  = "Frame2";
inline constexpr std::string_view Frame3  = "Frame3";
inline constexpr std::string_view Frame4  = "Frame4";
inline constexpr std::string_view Frame5  = "Frame5";
inline constexpr std::string_view Frame6  = "Frame6";
inline constexpr std::string_view Frame7  = "Frame7";
inline constexpr std::string_view Frame8  = "Frame8";
inline constexpr std::string_view Frame9  = "Frame9";
inline constexpr std::string_view Frame10 = "Frame10";
inline constexpr std::string_view Frame11 = "Frame11";
inline constexpr std::string_view Frame12 = "Frame12";
inline constexpr std::string_view Frame13 = "Frame13";
inline constexpr std::string_view Frame14 = "Frame14";
inline constexpr std::string_view Frame15 = "Frame15";
inline constexpr std::string_view Frame16 = "Frame16";
inline constexpr std::string_view Frame17 = "Frame17";
inline constexpr std::string_view Frame18 = "Frame18";

// Command buttons
inline constexpr std::string_view Command1    = "Command1";
inline constexpr std::string_view Command2    = "Command2";
inline constexpr std::string_view Command3    = "Command3";
inline constexpr std::string_view Command4    = "Command4";
inline constexpr std::string_view Command5    = "Command5";
inline constexpr std::string_view Command6    = "Command6";
inline constexpr std::string_view Command7    = "Command7";
inline constexpr std::string_view Command8    = "Command8";
inline constexpr std::string_view Command9    = "Command9";
inline constexpr std::string_view Command10   = "Command10";
inline constexpr std::string_view Command11   = "Command11";
inline constexpr std::string_view Command12   = "Command12";
inline constexpr std::string_view Command13   = "Command13";
inline constexpr std::string_view Command14   = "Command14";
inline constexpr std::string_view Command15   = "Command15";
inline constexpr std::string_view Command16   = "Command16";
inline constexpr std::string_view Command17   = "Command17";
inline constexpr std::string_view Command18   = "Command18";
inline constexpr std::string_view Command19   = "Command19";
inline constexpr std::string_view Command20   = "Command20";
inline constexpr std::string_view Command21   = "Command21";
inline constexpr std::string_view Command22   = "Command22";
inline constexpr std::string_view Command23   = "Command23";
inline constexpr std::string_view Command24   = "Command24";
inline constexpr std::string_view Command25   = "Command25";
inline constexpr std::string_view Command26   = "Command26";
inline constexpr std::string_view Command27   = "Command27";
inline constexpr std::string_view Command28   = "Command28";
inline constexpr std::string_view Command29   = "Command29";
inline constexpr std::string_view Command30   = "Command30";
inline constexpr std::string_view Command31   = "Command31";
inline constexpr std::string_view Command32   = "Command32";
inline constexpr std::string_view Command33   = "Command33";
inline constexpr std::string_view Command34   = "Command34";
inline constexpr std::string_view Command35   = "Command35";
inline constexpr std::string_view Command36   = "Command36";
inline constexpr std::string_view Command37   = "Command37";
inline constexpr std::string_view Command38   = "Command38";
inline constexpr std::string_view Command39   = "Command39";
inline constexpr std::string_view Command40   = "Command40";
inline constexpr std::string_view Command41   = "Command41";
inline constexpr std::string_view Command42   = "Command42";
inline constexpr std::string_view Command43   = "Command43";
inline constexpr std::string_view Command44   = "Command44";
inline constexpr std::string_view Command45   = "Command45";
inline constexpr std::string_view Command46   = "Command46";
inline constexpr std::string_view Command47   = "Command47";
inline constexpr std::string_view Command48   = "Command48";
inline constexpr std::string_view Command49   = "Command49";
inline constexpr std::string_view Command50   = "Command50";
inline constexpr std::string_view Command51   = "Command51";
inline constexpr std::string_view Command52   = "Command52";
inline constexpr std::string_view Command53   = "Command53";
inline constexpr std::string_view Command54   = "Command54";
inline constexpr std::string_view Command55   = "Command55";
inline constexpr std::string_view Command56   = "Command56";
inline constexpr std::string_view Command57   = "Command57";
inline constexpr std::string_view Command58   = "Command58";
inline constexpr std::string_view Command59   = "Command59";
inline constexpr std::string_view Command60   = "Command60";
inline constexpr std::string_view Command61   = "Command61";
inline constexpr std::string_view Command62   = "Command62";
inline constexpr std::string_view Command63   = "Command63";
inline constexpr std::string_view Command64   = "Command64";
inline constexpr std::string_view Command65   = "Command65";
inline constexpr std::string_view Command66   = "Command66";
inline constexpr std::string_view Command67   = "Command67";
inline constexpr std::string_view Command68   = "Command68";
inline constexpr std::string_view Command69   = "Command69";
inline constexpr std::string_view Command70   = "Command70";
inline constexpr std::string_view Command71   = "Command71";
inline constexpr std::string_view Command72   = "Command72";
inline constexpr std::string_view Command73   = "Command73";
inline constexpr std::string_view Command74   = "Command74";
inline constexpr std::string_view Command75   = "Command75";
inline constexpr std::string_view Command76   = "Command76";
inline constexpr std::string_view Command77   = "Command77";
inline constexpr std::string_view Command78   = "Command78";
inline constexpr std::string_view Command79   = "Command79";
inline constexpr std::string_view Command80   = "Command80";
inline constexpr std::string_view Command81   = "Command81";
inline constexpr std::string_view Command82   = "Command82";
inline constexpr std::string_view Command83   = "Command83";
inline constexpr std::string_view Command84   = "Command84";
inline constexpr std::string_view Command85   = "Command85";
inline constexpr std::string_view Command86   = "Command86";
inline constexpr std::string_view Command87   = "Command87";
inline constexpr std::string_view Command88   = "Command88";
inline constexpr std::string_view Command89   = "Command89";
inline constexpr std::string_view Command90   = "Command90";
inline constexpr std::string_view Command91   = "Command91";
inline constexpr std::string_view Command92   = "Command92";
inline constexpr std::string_view Command93   = "Command93";
inline constexpr std::string_view cmdGenerate = "cmdGenerate";
inline constexpr std::string_view cmdStop     = "cmdStop";
inline constexpr std::string_view cmdExit     = "cmdExit";

// Text boxes: channel frequencies, displays, the flash surface Text4, the lamps Text14 ... Text22
inline constexpr std::string_view txtSetFreq1 = "txtSetFreq1";
inline constexpr std::string_view txtsetfreq2 = "txtsetfreq2";
inline constexpr std::string_view Text1       = "Text1";
inline constexpr std::string_view Text2       = "Text2";
inline constexpr std::string_view Text3       = "Text3";
inline constexpr std::string_view Text4       = "Text4";
inline constexpr std::string_view Text5       = "Text5";
inline constexpr std::string_view Text6       = "Text6";
inline constexpr std::string_view Text7       = "Text7";
inline constexpr std::string_view Text8       = "Text8";
inline constexpr std::string_view Text9       = "Text9";
inline constexpr std::string_view Text10      = "Text10";
inline constexpr std::string_view Text11      = "Text11";
inline constexpr std::string_view Text12      = "Text12";
inline constexpr std::string_view Text13      = "Text13";
inline constexpr std::string_view Text14      = "Text14";
inline constexpr std::string_view Text15      = "Text15";
inline constexpr std::string_view Text16      = "Text16";
inline constexpr std::string_view Text17      = "Text17";
inline constexpr std::string_view Text18      = "Text18";
inline constexpr std::string_view Text19      = "Text19";
inline constexpr std::string_view Text20      = "Text20";
inline constexpr std::string_view Text21      = "Text21";
inline constexpr std::string_view Text22      = "Text22";

// Labels of the Mode panel lamps
inline constexpr std::string_view Label1 = "Label1";
inline constexpr std::string_view Label2 = "Label2";
inline constexpr std::string_view Label3 = "Label3";
inline constexpr std::string_view Label4 = "Label4";
inline constexpr std::string_view Label5 = "Label5";
inline constexpr std::string_view Label6 = "Label6";
inline constexpr std::string_view Label7 = "Label7";
inline constexpr std::string_view Label8 = "Label8";
inline constexpr std::string_view Label9 = "Label9";

// Scroll bars
inline constexpr std::string_view scrToneVol = "scrToneVol";
inline constexpr std::string_view scrBalance = "scrBalance";
inline constexpr std::string_view scrMaskVol = "scrMaskVol";
inline constexpr std::string_view HScroll1   = "HScroll1";

// Timers
inline constexpr std::string_view Timer1 = "Timer1";
inline constexpr std::string_view Timer2 = "Timer2";
inline constexpr std::string_view Timer3 = "Timer3";
// The sleep timer: counts down the minutes, then the fade. Its caption is what
// the window's title shows after the program's own caption.
inline constexpr std::string_view tmrSleep = "tmrSleep";
// Follows a playing sequence; its caption is the title's note of it.
inline constexpr std::string_view tmrSequence = "tmrSequence";

// Menus, left to right
inline constexpr std::string_view f0   = "f0";
inline constexpr std::string_view opt0 = "opt0";
inline constexpr std::string_view op0  = "op0";
inline constexpr std::string_view sp0  = "sp0";
inline constexpr std::string_view p0   = "p0";
inline constexpr std::string_view st0  = "st0";
inline constexpr std::string_view ab0  = "ab0";
inline constexpr std::string_view hp0  = "hp0";
inline constexpr std::string_view ex0  = "ex0";

// Items of f0 "&Freqs"
inline constexpr std::string_view f1  = "f1";
inline constexpr std::string_view f2  = "f2";
inline constexpr std::string_view f3  = "f3";
inline constexpr std::string_view f4  = "f4";
inline constexpr std::string_view f5  = "f5";
inline constexpr std::string_view f6  = "f6";
inline constexpr std::string_view f7  = "f7";
inline constexpr std::string_view f8  = "f8";
inline constexpr std::string_view f9  = "f9";
inline constexpr std::string_view f10 = "f10";
inline constexpr std::string_view f11 = "f11";
inline constexpr std::string_view f12 = "f12";
inline constexpr std::string_view f13 = "f13";
inline constexpr std::string_view f14 = "f14";
inline constexpr std::string_view f15 = "f15";
inline constexpr std::string_view f16 = "f16";
inline constexpr std::string_view f17 = "f17";
inline constexpr std::string_view f18 = "f18";
inline constexpr std::string_view f19 = "f19";
inline constexpr std::string_view f20 = "f20";

// Items of opt0 "&Options"
inline constexpr std::string_view opts1  = "opts1";
inline constexpr std::string_view opts2  = "opts2";
inline constexpr std::string_view opts3  = "opts3";
inline constexpr std::string_view opts4  = "opts4";
inline constexpr std::string_view opts5  = "opts5";
inline constexpr std::string_view opts11 = "opts11";
inline constexpr std::string_view opts6  = "opts6";
inline constexpr std::string_view opts7  = "opts7";
inline constexpr std::string_view opts9  = "opts9";
inline constexpr std::string_view opts10 = "opts10";
inline constexpr std::string_view optSleep = "optSleep";
inline constexpr std::string_view optHeadphones = "optHeadphones";
inline constexpr std::string_view optGentle = "optGentle";
inline constexpr std::string_view optSequences = "optSequences";

// Items of op0 "&Color"
inline constexpr std::string_view opt15 = "opt15";
inline constexpr std::string_view opt16 = "opt16";
inline constexpr std::string_view opt17 = "opt17";
inline constexpr std::string_view opt18 = "opt18";
inline constexpr std::string_view op5   = "op5";
inline constexpr std::string_view op6   = "op6";
inline constexpr std::string_view op7   = "op7";
inline constexpr std::string_view op8   = "op8";
inline constexpr std::string_view op9   = "op9";
inline constexpr std::string_view op10  = "op10";
inline constexpr std::string_view op11  = "op11";
inline constexpr std::string_view op12  = "op12";
inline constexpr std::string_view opt1  = "opt1";
inline constexpr std::string_view opt19 = "opt19";
inline constexpr std::string_view opt4  = "opt4";
inline constexpr std::string_view opt13 = "opt13";
inline constexpr std::string_view opt14 = "opt14";

// Items of sp0 "&Speeds"
inline constexpr std::string_view sp5 = "sp5";
inline constexpr std::string_view sp1 = "sp1";
inline constexpr std::string_view sp2 = "sp2";
inline constexpr std::string_view sp3 = "sp3";
inline constexpr std::string_view sp4 = "sp4";

// Items of p0 "&Freq Sets"
inline constexpr std::string_view p1  = "p1";
inline constexpr std::string_view p2  = "p2";
inline constexpr std::string_view p3  = "p3";
inline constexpr std::string_view p4  = "p4";
inline constexpr std::string_view p5  = "p5";
inline constexpr std::string_view p6  = "p6";
inline constexpr std::string_view p7  = "p7";
inline constexpr std::string_view p8  = "p8";
inline constexpr std::string_view p9  = "p9";
inline constexpr std::string_view p10 = "p10";
inline constexpr std::string_view p11 = "p11";
inline constexpr std::string_view p14 = "p14";
inline constexpr std::string_view p12 = "p12";
inline constexpr std::string_view p13 = "p13";

// Items of st0 "&ScanTime"
inline constexpr std::string_view st1  = "st1";
inline constexpr std::string_view st2  = "st2";
inline constexpr std::string_view st3  = "st3";
inline constexpr std::string_view st4  = "st4";
inline constexpr std::string_view st5  = "st5";
inline constexpr std::string_view st6  = "st6";
inline constexpr std::string_view st8  = "st8";
inline constexpr std::string_view st9  = "st9";
inline constexpr std::string_view st10 = "st10";
inline constexpr std::string_view st7  = "st7";

// Items of ab0 "&About"
inline constexpr std::string_view ab1 = "ab1";
inline constexpr std::string_view ab4 = "ab4";
inline constexpr std::string_view ab2 = "ab2";
inline constexpr std::string_view ab5 = "ab5";

// Items of hp0 "&Help"
inline constexpr std::string_view hp7 = "hp7";
inline constexpr std::string_view hp5 = "hp5";
inline constexpr std::string_view hp6 = "hp6";
inline constexpr std::string_view hp8 = "hp8";
inline constexpr std::string_view hp1 = "hp1";
inline constexpr std::string_view hp9 = "hp9";
inline constexpr std::string_view hp2 = "hp2";
inline constexpr std::string_view hp3 = "hp3";
inline constexpr std::string_view hp4 = "hp4";

// Items of ex0 "&Exit"
inline constexpr std::string_view ex1 = "ex1";
// clang-format on

// What the controls mean. The designer names above stay the controls' identity
// (the layout table, the saved data, the window's object names); handlers and
// tests use these instead, so that a line says what it touches.
// clang-format off

// Frames, by their design captions
inline constexpr auto fraChannels     = Frame1;  // "Left Freq Right", or where a scan pair is entered
inline constexpr auto fraToneVol      = Frame2;
inline constexpr auto fraColourRatio  = Frame3;  // "Col  Sets  LtSd"
inline constexpr auto fraStrobeTiming = Frame4;  // "Dur Color Freq"
inline constexpr auto fraBalance      = Frame5;  // "Tone Mod"
inline constexpr auto fraButtons      = Frame6;  // the button panel
inline constexpr auto fraMaskVol      = Frame7;
inline constexpr auto fraRule         = Frame8;
inline constexpr auto fraBrainwave    = Frame9;  // band and memory buttons
inline constexpr auto fraStimulation  = Frame10; // holds the flash surface
inline constexpr auto fraBaseFreq     = Frame11;
inline constexpr auto fraBaseBeat     = Frame12; // "Base Freq Drvn"
inline constexpr auto fraLevels       = Frame13; // "Vol Tone Mod"
inline constexpr auto fraMaskBase     = Frame14; // "Mask Base Freq"
inline constexpr auto fraStimColour   = Frame15; // also the caption of whatever the upper entry box holds
inline constexpr auto fraBackColour   = Frame16; // also the caption of the lower entry box
inline constexpr auto fraColourSets   = Frame17;
inline constexpr auto fraMode         = Frame18;

// The button panel
inline constexpr auto cmdClear             = Command47;
inline constexpr auto cmdReset             = Command18;
inline constexpr auto cmdRebuild           = Command28;
inline constexpr auto cmdColourOn          = Command22;
inline constexpr auto cmdColourOff         = Command23; // also Esc
inline constexpr auto cmdNextColourSet     = Command29; // "Color Set"
inline constexpr auto cmdColourProgram     = Command92; // "ColPrg"
inline constexpr auto cmdFullScreen        = Command31;
inline constexpr auto cmdHalfScreen        = Command61; // "Rev"
inline constexpr auto cmdZeroVols          = Command68;
inline constexpr auto cmdMixer             = Command24;
inline constexpr auto cmdRecorder          = Command62;
inline constexpr auto cmdMediaPlayer       = Command70;
inline constexpr auto cmdDxDiag            = Command30;
inline constexpr auto cmdHalveBeat         = Command27; // "1/2 freq"
inline constexpr auto cmdDoubleBeat        = Command25; // "2X Freq"
inline constexpr auto cmdLightSoundDown    = Command52; // "Lt/Snd L"
inline constexpr auto cmdLightSoundUp      = Command53; // "Lt/Snd H"
inline constexpr auto cmdReverseChannels   = Command26;
inline constexpr auto cmdNextMemoryGroup   = Command65; // "PrgSet" of the memories
inline constexpr auto cmdDefaultMemories   = Command42; // "Def Prg"
inline constexpr auto cmdUp1Hz             = Command63;
inline constexpr auto cmdDown1Hz           = Command67;
inline constexpr auto cmdUp5Hz             = Command64;
inline constexpr auto cmdDown5Hz           = Command69;
inline constexpr auto cmdBaseFreqMode      = Command60; // "BaseFreq": carrier from the bar or fixed
inline constexpr auto cmdScanUp            = Command71;
inline constexpr auto cmdScanDown          = Command80;
inline constexpr auto cmdScanOn            = Command73;
inline constexpr auto cmdScanOff           = Command79;
inline constexpr auto cmdStoreScanBanks    = Command77; // "PrgSet" of the scan banks
inline constexpr auto cmdRecallScanBanks   = Command78; // "RunSet"
inline constexpr auto cmdScanBank1         = Command75;
inline constexpr auto cmdScanBank2         = Command72;
inline constexpr auto cmdScanBank3         = Command74;
inline constexpr auto cmdScanBank4         = Command76;
inline constexpr auto cmdUpperLimit        = Command88;
inline constexpr auto cmdLowerLimit        = Command89;
inline constexpr auto cmdEnterLimits       = Command85; // "Enter"
inline constexpr auto cmdNextMask          = Command91; // "Mask"
inline constexpr auto cmdWaveform          = Command66; // "Wave"
inline constexpr auto cmdViewConditions    = Command82; // "Cond"
inline constexpr auto cmdViewEvents        = Command93; // "Event"
inline constexpr auto cmdPromptEntry       = Command84; // "PrgCDET"
inline constexpr auto cmdProgramCondition  = Command90; // "PrgCond"
inline constexpr auto cmdProgramEvent      = Command83; // "PrgEvnt"
inline constexpr auto cmdEventsOnOff       = Command87; // "EventOFF" / "EventON"
inline constexpr auto cmdDefaultConditions = Command86; // "DeFCnd"
inline constexpr auto cmdManual            = Command81;

// Band presets, by caption: one band per column, steps L, M, H, U downwards
inline constexpr auto cmdLDelta = Command1;
inline constexpr auto cmdMDelta = Command2;
inline constexpr auto cmdHDelta = Command3;
inline constexpr auto cmdUDelta = Command4;
inline constexpr auto cmdLTheta = Command5;
inline constexpr auto cmdMTheta = Command6;
inline constexpr auto cmdHTheta = Command7;
inline constexpr auto cmdUTheta = Command8;  // captioned "U Delta"
inline constexpr auto cmdLAlpha = Command9;
inline constexpr auto cmdMAlpha = Command10;
inline constexpr auto cmdHAlpha = Command11;
inline constexpr auto cmdUAlpha = Command12;
inline constexpr auto cmdLBeta  = Command13;
inline constexpr auto cmdMBeta  = Command14;
inline constexpr auto cmdHBeta  = Command15;
inline constexpr auto cmdUBeta  = Command16;
inline constexpr auto cmdLGamma = Command17;
inline constexpr auto cmdMGamma = Command19;
inline constexpr auto cmdHGamma = Command20;
inline constexpr auto cmdUGamma = Command21;
// The twenty in preset order, "L Delta" to "UGama".
inline constexpr std::array<std::string_view, 20> kBandPresets = {
    cmdLDelta, cmdMDelta, cmdHDelta, cmdUDelta, cmdLTheta, cmdMTheta, cmdHTheta, cmdUTheta, cmdLAlpha, cmdMAlpha,
    cmdHAlpha, cmdUAlpha, cmdLBeta,  cmdMBeta,  cmdHBeta,  cmdUBeta,  cmdLGamma, cmdMGamma, cmdHGamma, cmdUGamma};

// Memory buttons, by their first group's captions: "Prg A" recalls, "Prg Set A" stores
inline constexpr auto cmdRecallA = Command38;
inline constexpr auto cmdRecallB = Command39;
inline constexpr auto cmdRecallC = Command40;
inline constexpr auto cmdRecallD = Command41;
inline constexpr auto cmdRecallE = Command54;
inline constexpr auto cmdRecallF = Command55;
inline constexpr auto cmdRecallG = Command56;
inline constexpr auto cmdRecallH = Command57;
inline constexpr auto cmdStoreA  = Command43;
inline constexpr auto cmdStoreB  = Command44;
inline constexpr auto cmdStoreC  = Command45;
inline constexpr auto cmdStoreD  = Command46;
inline constexpr auto cmdStoreE  = Command51;
inline constexpr auto cmdStoreF  = Command48;
inline constexpr auto cmdStoreG  = Command49;
inline constexpr auto cmdStoreH  = Command50;

// Colour-set buttons "Stim 1" ... "BGrd 4"
inline constexpr auto cmdStim1 = Command58;
inline constexpr auto cmdBack1 = Command59;
inline constexpr auto cmdStim2 = Command32;
inline constexpr auto cmdBack2 = Command33;
inline constexpr auto cmdStim3 = Command34;
inline constexpr auto cmdBack3 = Command35;
inline constexpr auto cmdStim4 = Command36;
inline constexpr auto cmdBack4 = Command37;

// Text boxes
inline constexpr auto txtBaseFreq     = Text1;  // "Edit Base Freq"; also the scan loop and the base mode
inline constexpr auto txtBeat         = Text2;  // "Edit binaural Freq"
inline constexpr auto txtDuration     = Text3;  // "Color Duration in M.S."
inline constexpr auto txtFlashSurface = Text4;
inline constexpr auto txtFlashRate    = Text5;  // "Strobe Flashes Per Second"
inline constexpr auto txtStimColour   = Text6;  // also the upper entry box (limits, scan time, commands)
inline constexpr auto txtBackColour   = Text7;  // also the lower entry box (limits, titles)
inline constexpr auto txtToneVol      = Text8;
inline constexpr auto txtBalance      = Text9;  // "Modulation Level"
inline constexpr auto txtColourSet    = Text10;
inline constexpr auto txtLightSound   = Text11; // "Light Sound Ratio"
inline constexpr auto txtMaskVol      = Text12;
inline constexpr auto txtBaseFreqBar  = Text13; // the base-frequency bar's position less 10

// The Mode panel, top to bottom: sound, strobe, the three group rows and the four shared rows
inline constexpr auto lampSound  = Text14;
inline constexpr auto lampStrobe = Text15;
inline constexpr auto lampGroup1 = Text16;
inline constexpr auto lampGroup2 = Text17;
inline constexpr auto lampGroup3 = Text18;
inline constexpr auto lampRow1   = Text19;
inline constexpr auto lampRow2   = Text20;
inline constexpr auto lampRow3   = Text21;
inline constexpr auto lampRow4   = Text22;
inline constexpr auto lblSound   = Label1;
inline constexpr auto lblStrobe  = Label2;
inline constexpr auto lblGroup1  = Label3;
inline constexpr auto lblGroup2  = Label4;
inline constexpr auto lblGroup3  = Label5;
inline constexpr auto lblRow1    = Label6;
inline constexpr auto lblRow2    = Label7;
inline constexpr auto lblRow3    = Label8;
inline constexpr auto lblRow4    = Label9;

inline constexpr auto scrBaseFreq = HScroll1;

// Timers
inline constexpr auto tmrStim = Timer1; // starts the stimulation phases
inline constexpr auto tmrBack = Timer2; // starts the background phases, counted from tmrStim
inline constexpr auto tmrScan = Timer3; // one scanner step a tick

// Menus and their items
inline constexpr auto mnuFreqs    = f0;
inline constexpr auto mnuOptions  = opt0;
inline constexpr auto mnuColour   = op0;
inline constexpr auto mnuSpeeds   = sp0;
inline constexpr auto mnuFreqSets = p0;
inline constexpr auto mnuScanTime = st0;
inline constexpr auto mnuAbout    = ab0;
inline constexpr auto mnuHelp     = hp0;
inline constexpr auto mnuExitMenu = ex0;

// "&Freqs": the band presets
inline constexpr auto mnuLDelta = f1;
inline constexpr auto mnuMDelta = f2;
inline constexpr auto mnuHDelta = f3;
inline constexpr auto mnuUDelta = f4;
inline constexpr auto mnuLTheta = f5;
inline constexpr auto mnuMTheta = f6;
inline constexpr auto mnuHTheta = f7;
inline constexpr auto mnuUTheta = f8;
inline constexpr auto mnuLAlpha = f9;
inline constexpr auto mnuMAlpha = f10;
inline constexpr auto mnuHAlpha = f11;
inline constexpr auto mnuUAlpha = f12;
inline constexpr auto mnuLBeta  = f13;
inline constexpr auto mnuMBeta  = f14;
inline constexpr auto mnuHBeta  = f15;
inline constexpr auto mnuUBeta  = f16;
inline constexpr auto mnuLGamma = f17;
inline constexpr auto mnuMGamma = f18;
inline constexpr auto mnuHGamma = f19;
inline constexpr auto mnuUGamma = f20;

// "&Options"
inline constexpr auto mnuSoundOn          = opts1;
inline constexpr auto mnuSoundOff         = opts2;
inline constexpr auto mnuOptionsColourOn  = opts3;
inline constexpr auto mnuOptionsColourOff = opts4;
inline constexpr auto mnuMixer            = opts5;
inline constexpr auto mnuRecorder         = opts11;
inline constexpr auto mnuDefaultMemories  = opts6;
inline constexpr auto mnuRebuild          = opts7;
inline constexpr auto mnuReverseChannels  = opts9;
inline constexpr auto mnuDxDiag           = opts10;

// "&Color"
inline constexpr auto mnuColourOn      = opt15;
inline constexpr auto mnuColourOff     = opt16;
inline constexpr auto mnuLampOnColour  = opt17; // "&On Color"
inline constexpr auto mnuLampOffColour = opt18; // "&Off Color"
inline constexpr auto mnuStim1         = op5;   // "&Stim 1,5,9,13"
inline constexpr auto mnuBack1         = op6;
inline constexpr auto mnuStim2         = op7;
inline constexpr auto mnuBack2         = op8;
inline constexpr auto mnuStim3         = op9;
inline constexpr auto mnuBack3         = op10;
inline constexpr auto mnuStim4         = op11;
inline constexpr auto mnuBack4         = op12;
inline constexpr auto mnuNextColourSet = opt1;  // "&Color Sets"
inline constexpr auto mnuColourProgram = opt19;
inline constexpr auto mnuColourRefresh = opt4;
inline constexpr auto mnuFullScreen    = opt13;
inline constexpr auto mnuHalfScreen    = opt14;

// "&Speeds"
inline constexpr auto mnuClear          = sp5;
inline constexpr auto mnuDoubleBeat     = sp1;
inline constexpr auto mnuHalveBeat      = sp2;
inline constexpr auto mnuLightSoundUp   = sp3;
inline constexpr auto mnuLightSoundDown = sp4;

// "&Freq Sets": the memory store twins, then the deletions
inline constexpr auto mnuStoreA            = p1;
inline constexpr auto mnuStoreB            = p2;
inline constexpr auto mnuStoreC            = p3;
inline constexpr auto mnuStoreD            = p4;
inline constexpr auto mnuStoreE            = p5;
inline constexpr auto mnuStoreF            = p6;
inline constexpr auto mnuStoreG            = p7;
inline constexpr auto mnuStoreH            = p8;
inline constexpr auto mnuDeleteMemories    = p9;
inline constexpr auto mnuDeleteLevels      = p10;
inline constexpr auto mnuDeleteColours     = p11;
inline constexpr auto mnuDeleteConditions  = p14;
inline constexpr auto mnuDeleteAllData     = p12;
inline constexpr auto mnuDeleteInstallFile = p13;

// "&ScanTime"
inline constexpr auto mnuScan60Min      = st1;
inline constexpr auto mnuScan50Min      = st2;
inline constexpr auto mnuScan40Min      = st3;
inline constexpr auto mnuScan30Min      = st4;
inline constexpr auto mnuScan20Min      = st5;
inline constexpr auto mnuScan10Min      = st6;
inline constexpr auto mnuScan5Min       = st8;
inline constexpr auto mnuScan1Min       = st9;
inline constexpr auto mnuScan4Sec       = st10;
inline constexpr auto mnuCustomScanTime = st7;

// "&About" and "&Help"
inline constexpr auto mnuVersion         = ab1;
inline constexpr auto mnuSales           = ab4;
inline constexpr auto mnuDisclaimer      = ab2;
inline constexpr auto mnuSpecifications  = ab5;
inline constexpr auto mnuReadManual      = hp7;
inline constexpr auto mnuHelpAdjustments = hp5;
inline constexpr auto mnuHelpScanner     = hp6;
inline constexpr auto mnuHelpMusicMixing = hp8;
inline constexpr auto mnuHelpConditions  = hp1;
inline constexpr auto mnuHelpMaskFiles   = hp9;
inline constexpr auto mnuHelpNoSounds    = hp2;
inline constexpr auto mnuHelpSchumann    = hp3;
inline constexpr auto mnuHelpFastStart   = hp4;

inline constexpr auto mnuExit = ex1;
// clang-format on

} // namespace aurelith::ctl
