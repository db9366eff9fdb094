// SPDX-License-Identifier: GPL-3.0-or-later
#include "events/CommandLine.h"
#include "scan/ScanWrites.h"
#include "support/AppFixture.h"

#include <functional>

#include <unistd.h>

namespace aurelith::test {
namespace {

using namespace ctl;

using Words = std::vector<std::string>;

struct Split {
    const char* line;
    std::optional<Words> words;
};
void PrintTo(const Split& s, std::ostream* os) { *os << '"' << s.line << '"'; }

class CommandLineTest : public ::testing::TestWithParam<Split> {};

TEST_P(CommandLineTest, SplitsAsAShellWouldWithoutRunningAnything)
{
    EXPECT_EQ(splitCommandLine(GetParam().line), GetParam().words) << GetParam().line;
}

INSTANTIATE_TEST_SUITE_P(
    Lines, CommandLineTest,
    ::testing::Values(Split{"", Words{}}, Split{" \t ", Words{}}, Split{"  prog   a\tb ", Words{"prog", "a", "b"}},
                      Split{"prog \"/my dir/a file\" x", Words{"prog", "/my dir/a file", "x"}},
                      Split{"prog '/my dir/it''s' x", Words{"prog", "/my dir/its", "x"}},
                      Split{"prog a\\ b c\\\\d", Words{"prog", "a b", "c\\d"}},
                      Split{"prog \"a\\\"b\\$c\\nd\"", Words{"prog", "a\"b$c\\nd"}},
                      Split{"prog 'a\\b\"c'", Words{"prog", "a\\b\"c"}}, Split{"prog \"\" ''", Words{"prog", "", ""}},
                      Split{"pre\"mid dle\"post", Words{"premid dlepost"}},
                      Split{"prog $(touch x) `touch y` a;b | c && d > e",
                            Words{"prog", "$(touch", "x)", "`touch", "y`", "a;b", "|", "c", "&&", "d", ">", "e"}},
                      Split{"prog \"$(touch x)\" ~ *", Words{"prog", "$(touch x)", "~", "*"}},
                      Split{"c:\\event1.bat", Words{"c:event1.bat"}}, Split{"prog a\\", Words{"prog", "a\\"}},
                      Split{"prog $'a\\x22b\\'c\\\\d\\ne\\0gone' $'\\x4a\\1012\\q' a$b \"$'x'\"",
                            Words{"prog", "a\"b'c\\d\ne", "JA2\\q", "a$b", "$'x'"}},
                      Split{"prog \"open", std::nullopt}, Split{"prog 'open", std::nullopt},
                      Split{"prog \"a\\\"", std::nullopt}, Split{"prog $'a\\'", std::nullopt}));

TEST(CommandLineJoin, SplitsBackIntoTheSameWordsAfterADataRecord)
{
    for (const Words& words :
         {Words{"/bin/x", "Bob's music/a b.mp3", "", "$(rm x)", "a\\b", "tab\there", "'"},
          Words{"say \"hi\"", "a\"b", "\"", "it's \"x\"\\", "two\r\nlines", "$'q'"}, Words{"plain", "-v", "--n=1,2"}}) {
        const std::string line = joinCommandLine(words);
        const std::vector<Value> record = DataFiles::decode(DataFiles::encode({Value(line)}));
        ASSERT_EQ(record.size(), 1u);
        EXPECT_EQ(record[0].text(), line);
        EXPECT_EQ(splitCommandLine(line), words) << line;
    }
    EXPECT_EQ(joinCommandLine({"plain", "-v", "--n=1,2"}), "plain -v --n=1,2");
}

class ConditionsEventsTest : public AppTest {
protected:
    void SetUp() override { ASSERT_TRUE(start()); }
    std::string caption(std::string_view name) const { return form.caption(name); }
    void programEvent1(const std::string& command)
    {
        putFile("prgtrg1", "\"" + command + "\",\"Mine\"\r\n");
        fs::permissions(folder.path / "prgtrg1", fs::perms::owner_read | fs::perms::owner_write);
    }
    void enterEvent1(const std::string& command)
    {
        for (int i = 0; i < 20 && caption(fraStimColour) != "Enter Event 1"; ++i)
            click(cmdPromptEntry);
        type(txtStimColour, command);
        click(cmdProgramEvent);
    }
    // Switches events on after a first loop, as a scan would, and back off.
    void trigger()
    {
        ScanWrites::scan(app).loopNumber = 1;
        click(cmdEventsOnOff);
        click(cmdEventsOnOff);
    }
};

TEST_F(ConditionsEventsTest, PromptsCycleThroughTwentyAndShowTheCounters)
{
    for (int press = 1; press <= 40; ++press) {
        click(cmdPromptEntry);
        const int n = (press - 1) % 20 + 1;
        const std::string expected = n <= 10 ? "Enter Cond " + std::to_string(n)
                                             : "Enter Event " + std::to_string(n - 10);
        ASSERT_EQ(caption(fraStimColour), expected) << "press " << press;
        ASSERT_EQ(caption(fraBackColour), "Enter Title " + std::to_string(n <= 10 ? n : n - 10));
        EXPECT_EQ(text(txtStimColour), "");
        if (press == 11) {
            EXPECT_EQ(texts({txtColourSet, txtLightSound}), (Texts{"12", "2"}));
        }
    }
}

TEST_F(ConditionsEventsTest, PrgCondSavesTheConditionLastPromptedAndHandsTheDisplayBack)
{
    click(cmdProgramCondition); // no prompt yet: nothing stored
    expectColourDisplaysBack();
    EXPECT_FALSE(exists("prgcnd1"));

    click(cmdPromptEntry, 21); // the cycle comes back to condition 1
    type(txtStimColour, "7");
    type(txtBackColour, "Seventh");
    click(cmdProgramCondition);
    EXPECT_EQ(file("prgcnd1"), "\"7\",\"Seventh\"\r\n");
    expectColourDisplaysBack();
    EXPECT_EQ(text(txtLightSound), "12"); // the counter stays until its owner rewrites it

    click(cmdPromptEntry, 10); // event 1: PrgCond stores nothing in the event phase
    type(txtStimColour, "x");
    click(cmdProgramCondition);
    for (int k = 2; k <= 11; ++k)
        EXPECT_FALSE(exists("prgcnd" + std::to_string(k)));
    EXPECT_EQ(file("prgcnd1"), "\"7\",\"Seventh\"\r\n");
}

TEST_F(ConditionsEventsTest, PrgEvntStoresTheEventPromptedOrElseEventOne)
{
    click(cmdPromptEntry, 3); // prompting condition 3
    type(txtStimColour, "/bin/true");
    type(txtBackColour, "Early");
    click(cmdProgramEvent);
    EXPECT_EQ(file("prgtrg1"), "\"/bin/true\",\"Early\"\r\n");
    expectColourDisplaysBack();

    click(cmdPromptEntry, 7 + 4); // conditions 4 ... 10, then events 1 ... 4
    ASSERT_EQ(caption(fraStimColour), "Enter Event 4");
    type(txtStimColour, "play 'x y'");
    type(txtBackColour, "Four");
    click(cmdProgramEvent);
    EXPECT_EQ(file("prgtrg4"), "\"play 'x y'\",\"Four\"\r\n");
}

TEST_F(ConditionsEventsTest, DefaultsThenViewingCyclesThroughAllTen)
{
    click(cmdDefaultConditions);
    EXPECT_EQ(fileBytes({"prgcnd10", "prgtrg1"}),
              (Texts{"\"10\",\"10th Loop\"\r\n", "\"c:\\event1.bat\",\"Event1\"\r\n"}));
    EXPECT_EQ(text(txtColourSet), app.state.strobe.colourSetIndex.text()); // no display change

    click(cmdViewConditions);
    EXPECT_EQ(captions({fraStimColour, fraBackColour}), (Texts{"Cond 1", "Title 1"}));
    EXPECT_EQ(texts({txtStimColour, txtBackColour}), (Texts{"1", "Scan Start"}));
    click(cmdViewConditions, 10);
    EXPECT_EQ(caption(fraStimColour), "Cond 1");
    EXPECT_EQ(text(txtBackColour), "Scan Start");

    click(cmdViewEvents, 2);
    EXPECT_EQ(caption(fraStimColour), "Event 2");
    EXPECT_EQ(texts({txtStimColour, txtBackColour}), (Texts{"c:\\event2.bat", "Event2"}));
}

TEST_F(ConditionsEventsTest, ViewingAMissingOrGarbledFileKeepsWhatIsHeld)
{
    click(cmdPromptEntry, 11);
    type(txtStimColour, "run");
    type(txtBackColour, "Run");
    click(cmdProgramEvent);
    fs::remove(folder.path / "prgtrg1");
    putFile("prgtrg2", std::string("\0\xff\"unclosed", 11));
    click(cmdViewEvents);
    EXPECT_EQ(caption(fraStimColour), "Event 1");
    EXPECT_EQ(texts({txtStimColour, txtBackColour}), (Texts{"run", "Run"}));
    click(cmdViewEvents);
    EXPECT_EQ(caption(fraStimColour), "Event 2");
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(ConditionsEventsTest, SwitchingOnAtStartUpLaunchesNothing)
{
    programEvent1("/bin/true");
    for (const char* shown : {"EventON", "EvntOFF", "EventON"}) {
        click(cmdEventsOnOff);
        EXPECT_EQ(caption(cmdEventsOnOff), shown);
        EXPECT_TRUE(launcher.tried.empty()); // loopNumber is still 0
    }
}

TEST_F(ConditionsEventsTest, SwitchingOnAfterALoopOfOneLaunchesEventOneSplitInTheFolder)
{
    programEvent1("/usr/bin/notify 'two words' $(rm x);y");
    ScanWrites::scan(app).loopNumber = 1;
    click(cmdEventsOnOff);
    ASSERT_EQ(launcher.tried.size(), 1u);
    EXPECT_EQ(launcher.tried[0].program, "/usr/bin/notify");
    EXPECT_EQ(launcher.tried[0].arguments, (Words{"two words", "$(rm", "x);y"}));
    EXPECT_EQ(launcher.tried[0].folder, folder.path);

    click(cmdEventsOnOff); // switching off launches nothing
    EXPECT_EQ(launcher.tried.size(), 1u);
    ScanWrites::scan(app).loopNumber = 2; // no longer the condition shown next
    click(cmdEventsOnOff);
    EXPECT_EQ(launcher.tried.size(), 1u);
}

TEST_F(ConditionsEventsTest, AnEventSavedWithDoubleQuotesLaunchesWithTheSameWords)
{
    click(cmdPromptEntry, 11);
    type(txtStimColour, "play \"Bob's music/a b.mp3\" x");
    click(cmdProgramEvent);
    trigger();
    ASSERT_EQ(launcher.tried.size(), 1u);
    EXPECT_EQ(launcher.tried[0].arguments, (Words{"Bob's music/a b.mp3", "x"}));
}

TEST_F(ConditionsEventsTest, TheTriggerFollowsTheViewCounters)
{
    click(cmdDefaultConditions);
    click(cmdViewConditions, 3); // condition 4 is shown next
    click(cmdViewEvents, 5);     // event 6 is shown next
    putFile("prgtrg6", "\"/opt/six --go\",\"Six\"\r\n");
    ScanWrites::scan(app).loopNumber = 4;
    click(cmdEventsOnOff);
    ASSERT_EQ(launcher.tried.size(), 1u);
    EXPECT_EQ(launcher.tried[0].program, "/opt/six");
    EXPECT_EQ(app.state.events.eventTitle[5], "Six");
}

TEST_F(ConditionsEventsTest, AnEventComesBackAfterAFreshStartWithExactlyTheWordsEntered)
{
    for (const std::string line : {"/path/argv.sh \"a\\\"b\" end", "'say \"hi\"'", "x 'it'\\''s' \"\\$HOME\" \\\"q ''",
                                   "run $'tab\\there' \"two\nlines\""}) {
        SCOPED_TRACE(line);
        const auto words = splitCommandLine(line);
        ASSERT_TRUE(words);
        enterEvent1(line);
        ASSERT_TRUE(dialogs.shown.empty()) << dialogs.shown.back().text;

        Program fresh(folder.path);
        ASSERT_TRUE(startUp(fresh.app));
        ScanWrites::scan(fresh.app).loopNumber = 1;
        fresh.form.click(cmdEventsOnOff);
        ASSERT_EQ(fresh.launcher.tried.size(), 1u);
        EXPECT_EQ(fresh.launcher.tried[0].program, words->front());
        EXPECT_EQ(fresh.launcher.tried[0].arguments, Words(words->begin() + 1, words->end()));
    }
}

TEST_F(ConditionsEventsTest, ACommandThatCannotBeStoredIsRefusedWhenEntered)
{
    enterEvent1("/bin/true");
    const std::string stored = file("prgtrg1");
    for (const std::string& line : Words{"prog \"open quote", "prog 'open", std::string("prog a\0b", 9)}) {
        SCOPED_TRACE(line);
        dialogs.shown.clear();
        enterEvent1(line);
        ASSERT_EQ(dialogs.messages().size(), 1u);
        EXPECT_NE(dialogs.messages()[0].find("Event 1"), std::string::npos) << dialogs.messages()[0];
        EXPECT_EQ(text(txtStimColour), line); // left to be mended
        EXPECT_EQ(file("prgtrg1"), stored);
    }
}

TEST_F(ConditionsEventsTest, UnusableStoredCommandsLaunchNothingAndSayWhy)
{
    programEvent1("   "); // no command: nothing to say
    trigger();
    EXPECT_TRUE(dialogs.shown.empty());
    for (const std::string command : {"prog 'open quote", "'' arg"}) {
        SCOPED_TRACE(command);
        dialogs.shown.clear();
        programEvent1(command);
        trigger();
        ASSERT_EQ(dialogs.messages().size(), 1u);
        EXPECT_NE(dialogs.messages()[0].find("prgtrg1"), std::string::npos) << dialogs.messages()[0];
    }
    EXPECT_TRUE(launcher.tried.empty());

    // A program that does not start is not reported.
    launcher.nothingInstalled = true;
    dialogs.shown.clear();
    programEvent1("not-installed now");
    trigger();
    ASSERT_EQ(launcher.tried.size(), 1u);
    EXPECT_FALSE(launcher.tried[0].ok);
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(ConditionsEventsTest, OnlyAnEventFileOfTheUsersOwnThatNoOneElseCanChangeIsLaunched)
{
    const fs::path event = folder.path / "prgtrg1";
    enterEvent1("held-command now");
    EXPECT_EQ(fs::status(event).permissions() & (fs::perms::group_write | fs::perms::others_write), fs::perms::none);
    struct Case {
        const char* why;
        std::function<bool()> spoil; // false when this system cannot arrange it
    };
    const std::vector<Case> cases = {
        {"missing", [&] { return fs::remove(event); }},
        {"group-writable", [&] { return fs::permissions(event, fs::perms::group_write, fs::perm_options::add), true; }},
        {"world-writable",
         [&] { return fs::permissions(event, fs::perms::others_write, fs::perm_options::add), true; }},
        {"a folder", [&] { return fs::remove(event) && fs::create_directory(event); }},
        {"another user's", [&] { return ::chown(event.c_str(), 65534, 65534) == 0; }},
        {"another user's link to a file of yours",
         [&] {
             const fs::path mine = folder.path / "mine";
             fs::rename(event, mine);
             fs::create_symlink(mine, event);
             return ::lchown(event.c_str(), 65534, 65534) == 0;
         }},
    };
    std::string unchecked;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        fs::remove_all(event);
        programEvent1("/bin/true");
        dialogs.shown.clear();
        if (!c.spoil()) {
            unchecked += unchecked.empty() ? c.why : std::string(", ") + c.why;
            continue;
        }
        trigger();
        EXPECT_TRUE(launcher.tried.empty());
        ASSERT_EQ(dialogs.messages().size(), 1u);
        EXPECT_NE(dialogs.messages()[0].find(event.string()), std::string::npos) << dialogs.messages()[0];
    }
    fs::remove_all(event);
    programEvent1("/bin/true");
    trigger();
    EXPECT_EQ(launcher.tried.size(), 1u);
    if (!unchecked.empty())
        GTEST_SKIP() << "this system cannot make an event file that is " << unchecked << " (chown needs root)";
}

} // namespace
} // namespace aurelith::test
