// The controls' main interactions, driven by scripted headless sessions.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/text/font_cache.h"
#include "platform/ui/button.h"
#include "platform/ui/clipboard.h"
#include "platform/ui/combo_box.h"
#include "platform/ui/edit.h"
#include "platform/ui/file_chooser.h"
#include "platform/ui/list_box.h"
#include "platform/ui/panel_message_presenter.h"
#include "platform/ui/message_box.h"
#include "platform/ui/popup_list.h"
#include "platform/ui/spin_button.h"
#include "platform/ui/track_bar.h"
#include "platform/window/headless_host.h"

namespace kv::ui {
namespace {

gfx::FontCache& fonts()
{
    static gfx::FontCache cache(gfx::dejavu_test_fonts());
    return cache;
}

struct Session : ::testing::Test {
    Session() : root(clock), host(root, clock)
    {
        root.setSize(240, 160);
        root.setDefaultFont(fonts().get({"DejaVu Sans", -11}));
    }
    void place(Window& w, Rect r)
    {
        w.setRect(r);
        root.addChild(&w);
    }
    FakeClock clock;
    TopWindow root;
    HeadlessHost host;
};

// ---------------------------------------------------------------- edit box

using EditTest = Session;

TEST_F(EditTest, TypingEditingAndSelection)
{
    Edit e;
    int changes = 0;
    e.onChange = [&] { ++changes; };
    place(e, Rect::xywh(10, 10, 120, 20));
    host.click(20, 20).type("Hello world");
    EXPECT_EQ(e.text(), "Hello world");
    EXPECT_EQ(e.caret(), 11u);
    // Shift+Left five times selects "world"; typing replaces it.
    host.play(Script().keyDown(key::Shift).key(key::Left).key(key::Left).key(key::Left).key(key::Left).key(key::Left).keyUp(key::Shift));
    EXPECT_EQ(e.selectedText(), "world");
    host.type("there");
    EXPECT_EQ(e.text(), "Hello there");
    // Home, Delete, End, Backspace.
    host.play(Script().key(key::Home).key(key::Delete).key(key::End).type("\b\b"));
    EXPECT_EQ(e.text(), "ello the");
    EXPECT_EQ(changes, 11 + 5 + 3);
    // Control characters and characters outside the box's code page never get in; bytes
    // of Windows-1252 (here e-acute and the euro sign) do.
    host.play(Script().type("\x01")); // Control+A selects all
    EXPECT_EQ(e.selectedText(), "ello the");
    root.character(0x07);
    root.character(0xE9);
    root.character(0x80);
    EXPECT_EQ(e.text(), "\xE9\x80");
}

TEST_F(EditTest, ClickPlacesCaretDragSelectsAndClipboardCopiesBetweenEditors)
{
    Edit a, b;
    place(a, Rect::xywh(10, 10, 150, 20));
    place(b, Rect::xywh(10, 40, 150, 20));
    a.setText("abcdef");
    auto f = root.defaultFont();
    int x0 = 10 + Edit::Border + Edit::Margin;
    int afterC = x0 + f->extent("abc").cx; // the boundary after 'c'
    host.click(afterC, 20);
    EXPECT_EQ(a.caret(), 3u);
    host.play(Script().drag(afterC, 20, x0 + f->extent("abcde").cx, 20, 2));
    EXPECT_EQ(a.selectedText(), "de");
    host.type("\x03"); // Control+C
    EXPECT_EQ(clipboardText(), "de");
    // A second editor in the same process pastes what the first copied.
    TopWindow other(clock);
    HeadlessHost otherHost(other, clock);
    other.setSize(100, 40);
    Edit c;
    c.setRect(Rect::xywh(0, 0, 100, 20));
    other.addChild(&c);
    otherHost.click(5, 5).type("x\x16y"); // Control+V between x and y
    EXPECT_EQ(c.text(), "xdey");
}

TEST_F(EditTest, TabAndReturnGoToTheFilterNeverIntoTheTextAndFocusLossReports)
{
    Edit a, b;
    place(a, Rect::xywh(10, 10, 100, 20));
    place(b, Rect::xywh(10, 40, 100, 20));
    std::vector<std::string> seen;
    a.charFilter = [&](const CharEvent& e) {
        if (e.ch != '\t' && e.ch != '\r') return false;
        seen.push_back(e.ch == '\t' ? "tab" : "return");
        if (e.ch == '\t') b.setFocus();
        return true;
    };
    int lost = 0;
    a.onFocusLost = [&] { ++lost; };
    b.setText("old");
    b.setSelectAllOnFocus(true);
    host.click(20, 20).type("ab\rc\td");
    EXPECT_EQ(a.text(), "abc");
    EXPECT_EQ(b.text(), "d"); // focus by Tab selected all of "old"; typing replaced it
    EXPECT_EQ(seen, (std::vector<std::string>{"return", "tab"}));
    EXPECT_EQ(lost, 1);
}

TEST_F(EditTest, ReadOnlyAndLengthLimit)
{
    Edit e;
    place(e, Rect::xywh(10, 10, 100, 20));
    e.setMaxLength(4);
    host.click(20, 20).type("123456");
    EXPECT_EQ(e.text(), "1234");
    e.setReadOnly(true);
    host.play(Script().type("\b9").key(key::Delete).key(key::Home).keyDown(key::Shift).key(key::Right).keyUp(key::Shift));
    EXPECT_EQ(e.text(), "1234");
    EXPECT_EQ(e.selectedText(), "1"); // still selects
}

TEST_F(EditTest, LongTextScrollsToKeepTheCaretVisible)
{
    Edit e;
    place(e, Rect::xywh(10, 10, 40, 20));
    host.click(20, 20).type("the quick brown fox");
    EXPECT_GT(e.scrollX(), 0);
    host.key(key::Home);
    EXPECT_EQ(e.scrollX(), 0);
}

// ---------------------------------------------------------------- buttons

using ButtonTest = Session;

TEST_F(ButtonTest, PressReleaseClickFromMouseAndSpace)
{
    Button b(Button::Kind::Push, "Go");
    place(b, Rect::xywh(10, 10, 60, 24));
    std::vector<std::string> log;
    b.onPress = [&] { log.push_back("press"); };
    b.onRelease = [&] { log.push_back("release"); };
    b.onClick = [&] { log.push_back("click"); };
    host.click(20, 20);
    EXPECT_EQ(log, (std::vector<std::string>{"press", "release", "click"}));
    log.clear();
    host.play(Script().press(20, 20).move(150, 100).release(150, 100)); // released outside: no click
    EXPECT_EQ(log, (std::vector<std::string>{"press", "release"}));
    log.clear();
    host.play(Script().keyDown(key::Space).keyDown(key::Space).keyUp(key::Space)); // repeat ignored
    EXPECT_EQ(log, (std::vector<std::string>{"press", "release", "click"}));
    log.clear();
    b.enable(false);
    host.click(20, 20).key(key::Space);
    EXPECT_TRUE(log.empty());
}

TEST_F(ButtonTest, CheckBoxTogglesAndRadioButtonsExcludeEachOtherPerGroup)
{
    Button check(Button::Kind::Check, "Loud");
    Button r1(Button::Kind::Radio, "A"), r2(Button::Kind::Radio, "B"), r3(Button::Kind::Radio, "C");
    r3.setGroup(1);
    place(check, Rect::xywh(10, 10, 80, 18));
    place(r1, Rect::xywh(10, 40, 80, 18));
    place(r2, Rect::xywh(10, 60, 80, 18));
    place(r3, Rect::xywh(10, 80, 80, 18));
    host.click(15, 15);
    EXPECT_TRUE(check.checked());
    host.click(15, 15);
    EXPECT_FALSE(check.checked());
    host.click(15, 85).click(15, 45);
    EXPECT_TRUE(r1.checked() && r3.checked());
    host.click(15, 65);
    EXPECT_FALSE(r1.checked());
    EXPECT_TRUE(r2.checked() && r3.checked()); // another group
}

// ---------------------------------------------------------------- drop-down list

using ComboTest = Session;

TEST_F(ComboTest, ChoosingFromTheOpenedListSelectsAndReportsOnce)
{
    ComboBox cb;
    for (const char* s : {"Sine", "Saw", "Square", "Noise"}) cb.addItem(s, int(cb.items().size()) * 10);
    cb.select(0);
    place(cb, Rect::xywh(10, 10, 100, 20));
    std::vector<int> picked;
    cb.onSelect = [&](int i) { picked.push_back(i); };
    PopupList probe({}, PopupList::Look::DropDown);
    probe.setFont(root.defaultFont());
    int ih = probe.itemHeight();
    // The list opens below the box (top at y = 30, one pixel of frame): item 2 at 31 + 2 ih.
    host.play(Script().click(50, 20).click(50, 31 + 2 * ih + ih / 2));
    EXPECT_EQ(cb.selected(), 2);
    EXPECT_EQ(picked, std::vector<int>{2});
    EXPECT_FALSE(cb.dropped());
    // A press outside the open list closes it without a change.
    host.play(Script().click(50, 20).click(200, 150));
    EXPECT_EQ(cb.selected(), 2);
    // With nothing scripted to answer, the list is cancelled and nothing blocks.
    host.click(50, 20);
    EXPECT_EQ(host.modalGiveUps(), 1);
    EXPECT_EQ(cb.selected(), 2);
    // Keys while closed.
    host.play(Script().key(key::Down).key(key::Down).key(key::Up));
    EXPECT_EQ(picked, (std::vector<int>{2, 3, 2}));
    EXPECT_EQ(cb.findData(30), 3);
}

// ---------------------------------------------------------------- spin control and track bar

using SpinTest = Session;

TEST_F(SpinTest, StepsClampRepeatAndReadTheBuddy)
{
    Edit buddy;
    SpinButton spin;
    place(buddy, Rect::xywh(10, 10, 40, 20));
    place(spin, Rect::xywh(50, 10, 18, 20));
    spin.setBuddy(&buddy);
    spin.setRange(1, 128);
    spin.setPos(1);
    std::vector<int> steps;
    spin.onStep = [&](int p) { steps.push_back(p); };
    EXPECT_EQ(buddy.text(), "1");
    host.click(58, 12);                        // upper half
    host.play(Script().press(58, 12).wait(399)); // held: no repeat yet
    EXPECT_EQ(steps, (std::vector<int>{2, 3}));
    host.play(Script().wait(1).wait(100).release(58, 12)); // 400 ms, then every 100 ms
    EXPECT_EQ(steps, (std::vector<int>{2, 3, 4, 5}));
    host.click(58, 27); // lower half
    EXPECT_EQ(buddy.text(), "4");
    // Typed text counts; steps stop at the range's end.
    buddy.setText("127");
    host.click(58, 12).click(58, 12);
    EXPECT_EQ(spin.pos(), 128);
    EXPECT_EQ(buddy.text(), "128");
    host.click(20, 20).key(key::Down); // arrow keys in the buddy
    EXPECT_EQ(buddy.text(), "127");
}

using TrackTest = Session;

TEST_F(TrackTest, DragPageAndKeys)
{
    TrackBar tb;
    place(tb, Rect::xywh(10, 10, 30, 116)); // channel 100 px: travel 90 px for 0..100
    tb.setRange(0, 100);
    tb.setPos(50);
    std::vector<int> seen;
    tb.onScroll = [&](int p) { seen.push_back(p); };
    Rect th = tb.thumbRect();
    int cx = 10 + (th.left + th.right) / 2, cy = 10 + th.top + 2;
    host.play(Script().drag(cx, cy, cx, cy + 500, 2)); // far below the end
    EXPECT_EQ(tb.pos(), 100);
    host.play(Script().drag(cx, 10 + tb.thumbRect().top + 2, cx, 0, 1));
    EXPECT_EQ(tb.pos(), 0);
    seen.clear();
    // A press below the thumb pages down by a fifth of the range and repeats while held.
    host.play(Script().press(cx, 10 + 100).wait(400).release(cx, 10 + 100));
    EXPECT_EQ(seen, (std::vector<int>{20, 40}));
    host.play(Script().key(key::Up).key(key::End).key(key::PageUp));
    EXPECT_EQ(tb.pos(), 80);
    // Exact positions: the thumb top moves 0.9 px per position.
    tb.setPos(25);
    EXPECT_EQ(tb.thumbRect().top, 8 + 22);
}

// ---------------------------------------------------------------- menus and message boxes

using MenuTest = Session;

TEST_F(MenuTest, TrackAnswersTheChosenIdOrZero)
{
    PopupMenu m;
    m.add("Load Bank", 34909).add("Save Bank", 34910, false).addSeparator().add("Load Inst", 34911, true, true);
    PopupList probe({}, PopupList::Look::Menu);
    probe.setFont(root.defaultFont());
    int ih = probe.itemHeight();
    int chosen = -1;
    struct Opener : Window {
        std::function<void()> f;
        void onMouseDown(const MouseEvent&) override { f(); }
    } opener;
    opener.f = [&] { chosen = m.track(root, {20, 20}); };
    place(opener, Rect::xywh(0, 0, 240, 160));
    // Items from y = 21: Load Bank, Save Bank (disabled), separator (7 px), Load Inst.
    int loadInst = 21 + 2 * ih + 7 + ih / 2;
    host.play(Script().click(5, 5).click(30, loadInst));
    EXPECT_EQ(chosen, 34911);
    host.play(Script().click(5, 5).click(30, 21 + ih + ih / 2).click(200, 150)); // disabled, then outside
    EXPECT_EQ(chosen, 0);
    host.play(Script().click(5, 5).key(key::Down).key(key::Down).key(key::Return)); // skips disabled and separator
    EXPECT_EQ(chosen, 34911);
    host.play(Script().click(5, 5).key(key::Escape));
    EXPECT_EQ(chosen, 0);
}

using MessageBoxTest = Session;

TEST_F(MessageBoxTest, AnsweredByScriptCancelledWithout)
{
    int answer = -1;
    struct Opener : Window {
        std::function<void()> f;
        void onMouseDown(const MouseEvent&) override { f(); }
    } opener;
    opener.f = [&] { answer = messageBox(root, "Some parameters could not be loaded", "Korvane", MessageIcon::Exclamation); };
    place(opener, Rect::xywh(0, 0, 240, 160));
    host.play(Script().click(5, 5).key(key::Return));
    EXPECT_EQ(answer, 1);
    host.click(5, 5);
    EXPECT_EQ(answer, 0);
    EXPECT_EQ(host.modalGiveUps(), 1);
    host.play(Script().click(5, 5).key(key::Escape));
    EXPECT_EQ(answer, 0);
    // The box is gone afterwards and the editor is usable.
    EXPECT_EQ(root.children().size(), 2u); // the opener and the tooltip
    EXPECT_FALSE(root.inModal());
}

} // namespace
} // namespace kv::ui

// ---------------------------------------------------------------- file chooser

namespace kv::ui {
namespace {

struct FileChooserTest : Session {
    FileChooserTest()
    {
        dir = std::filesystem::temp_directory_path() / ("kv_chooser_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" + std::to_string(reinterpret_cast<uintptr_t>(this)));
        std::filesystem::create_directories(dir / "sub");
        for (auto p : {dir / "a.wav", dir / "b.txt", dir / "sub" / "c.wav"}) std::ofstream(p) << "x";
        root.setSize(300, 240);
        opener.f = [this] { result = chooseFile(root, options); };
        place(opener, Rect::xywh(0, 0, 10, 10));
        options.folder = dir.string();
        options.filters = {{"Wave files (*.wav)", {"wav"}}, {"All files (*.*)", {}}};
    }
    ~FileChooserTest() override { std::filesystem::remove_all(dir); }
    struct Opener : Window {
        std::function<void()> f;
        void onMouseDown(const MouseEvent&) override { f(); }
    } opener;
    std::filesystem::path dir;
    FileChooserOptions options;
    std::optional<std::string> result;
};

TEST_F(FileChooserTest, OpenNavigatesAndAnswersAnExistingFile)
{
    host.play(Script().click(5, 5).type("sub\r").type("missing.wav\r").type("\b\b\b\b\b\b\b\b\b\b\bc.wav\r"));
    ASSERT_TRUE(result);
    EXPECT_EQ(*result, (dir / "sub" / "c.wav").string());
}

TEST_F(FileChooserTest, CancelledWithoutAnswerOrByEscape)
{
    result = "untouched";
    host.click(5, 5);
    EXPECT_FALSE(result);
    host.play(Script().click(5, 5).type("a.wav").key(key::Escape));
    EXPECT_FALSE(result);
    EXPECT_FALSE(root.inModal());
}

TEST_F(FileChooserTest, SaveAddsTheFiltersExtension)
{
    options.save = true;
    options.fileName = "bank";
    host.play(Script().click(5, 5).key(key::Return));
    ASSERT_TRUE(result);
    EXPECT_EQ(*result, (dir / "bank.wav").string());
}

TEST_F(FileChooserTest, ListShowsFoldersFirstAndOnlyMatchingFiles)
{
    ListBox* seen = nullptr;
    // Look at the list while the dialog is open: the script's wait runs inside the modal loop.
    struct Spy : Window {
        std::function<void()> f;
        void onTimer(int) override { f(); }
    } spy;
    place(spy, Rect::xywh(0, 0, 1, 1));
    std::vector<std::string> rows;
    spy.f = [&] {
        for (Window* w : root.children())
            for (Window* c : w->children())
                if (auto* l = dynamic_cast<ListBox*>(c)) seen = l;
        if (seen) rows = seen->items();
        spy.killTimer(1);
    };
    spy.setTimer(1, 10);
    host.play(Script().click(5, 5).wait(20).key(key::Escape));
    EXPECT_EQ(rows, (std::vector<std::string>{"../", "sub/", "a.wav"}));
}

} // namespace
} // namespace kv::ui

// ---------------------------------------------------------------- filters and the message service

namespace kv::ui {
namespace {

TEST(FileFilterText, ParsesLabelsAndPatterns)
{
    using namespace std::string_literals;
    auto f = parseFileFilter("Sound Font (*.sf2)\0*.sf2\0Images (*.bmp,*.png)\0*.bmp;*.png\0All Files (*.*)\0*.*\0\0"s);
    ASSERT_EQ(f.size(), 3u);
    EXPECT_EQ(f[0].label, "Sound Font (*.sf2)");
    EXPECT_EQ(f[0].extensions, std::vector<std::string>{"sf2"});
    EXPECT_EQ(f[1].extensions, (std::vector<std::string>{"bmp", "png"}));
    EXPECT_TRUE(f[2].extensions.empty());
    EXPECT_TRUE(parseFileFilter("").empty());
    EXPECT_EQ(parseFileFilter("Odd"s).size(), 1u); // cut short: a label without patterns
}

using MessageServiceTest = Session;

// Without an editor texts go to standard error; with the editor's presenter they become
// the in-panel box; a text queued inside a host call waits for the idle flush.
TEST_F(MessageServiceTest, LogsWithoutAnEditorShowsInOneAndQueuedTextsWaitForFlush)
{
    MessageService ms;
    ms.setLogToStderr(false);
    ms.show("Couldn't open file.\n");
    {
        HostCallScope inHostCall;
        ms.show("Some parameters could not be loaded", MessageIcon::Exclamation);
    }
    EXPECT_EQ(ms.queuedCount(), 1u);
    EXPECT_EQ(ms.shown().size(), 1u);

    PanelMessagePresenter presenter(ms, root);
    struct Opener : Window {
        std::function<void()> f;
        void onMouseDown(const MouseEvent&) override { f(); }
    } opener;
    opener.f = [&] { ms.flushQueued(); };
    place(opener, Rect::xywh(0, 0, 10, 10));
    host.play(Script().click(5, 5).key(key::Return));
    auto shown = ms.shownTexts();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[1], "Some parameters could not be loaded");
    EXPECT_EQ(ms.queuedCount(), 0u);
    EXPECT_FALSE(root.inModal());
    EXPECT_EQ(host.modalGiveUps(), 0);
}

} // namespace
} // namespace kv::ui
