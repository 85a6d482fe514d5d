#pragma once
// A panel with one of each control, and a script that puts each into a telling state. Used
// by the stored snapshot and by the X11 test, which compares the screen with the headless
// render of the same script.
#include <memory>

#include "platform/text/font_cache.h"
#include "platform/ui/button.h"
#include "platform/ui/combo_box.h"
#include "platform/ui/edit.h"
#include "platform/ui/list_box.h"
#include "platform/ui/spin_button.h"
#include "platform/ui/track_bar.h"
#include "platform/window/headless_host.h"

namespace kv::ui::test {

inline gfx::FontCache& panelFonts()
{
    static gfx::FontCache cache(gfx::dejavu_test_fonts());
    return cache;
}

struct ControlPanel {
    // A window with both built-in scroll bars that follows them.
    struct Scroller : Window {
        Scroller()
        {
            setStyle(ws::HScroll | ws::VScroll);
            setBackground(gfx::rgb(250, 250, 240));
            setScrollInfo(ScrollBarKind::Vertical, {0, 199, 50, 0});
            setScrollInfo(ScrollBarKind::Horizontal, {0, 99, 50, 0});
        }
        void onScroll(ScrollBarKind bar, ScrollCode code, int pos) override
        {
            int p = scrollPos(bar);
            if (code == ScrollCode::LineDown) p += 10;
            if (code == ScrollCode::LineUp) p -= 10;
            if (code == ScrollCode::PageDown) p += scrollInfo(bar).page;
            if (code == ScrollCode::PageUp) p -= scrollInfo(bar).page;
            if (code == ScrollCode::ThumbTrack) p = pos;
            setScrollPos(bar, p);
            invalidate();
        }
        void onPaint(gfx::DC& dc) override
        {
            int y = -scrollPos(ScrollBarKind::Vertical), x = -scrollPos(ScrollBarKind::Horizontal);
            for (int i = 0; i < 20; ++i) dc.fill_rect(Rect::xywh(x + 4 + (i % 5) * 12, y + i * 10, 8, 6), gfx::rgb(0, 90, 160));
        }
    };

    explicit ControlPanel(Clock& clock) : root(clock), push(Button::Kind::Push, "Load"), check(Button::Kind::Check, "Hold"),
                                          radioA(Button::Kind::Radio, "Poly"), radioB(Button::Kind::Radio, "Mono")
    {
        root.setSize(300, 200);
        root.setBackground(gfx::sys::button_face);
        root.setDefaultFont(panelFonts().get({"DejaVu Sans", -11}));
        auto put = [&](Window& w, Rect r) {
            w.setRect(r);
            root.addChild(&w);
        };
        put(edit, Rect::xywh(10, 10, 110, 20));
        put(buddy, Rect::xywh(130, 10, 40, 20));
        put(spin, Rect::xywh(170, 10, 18, 20));
        put(combo, Rect::xywh(10, 40, 110, 20));
        put(push, Rect::xywh(130, 40, 60, 24));
        put(check, Rect::xywh(10, 70, 80, 18));
        put(radioA, Rect::xywh(10, 90, 80, 18));
        put(radioB, Rect::xywh(10, 110, 80, 18));
        put(list, Rect::xywh(100, 70, 90, 60));
        put(track, Rect::xywh(200, 10, 30, 116));
        put(scroller, Rect::xywh(10, 135, 120, 60));
        spin.setBuddy(&buddy);
        spin.setRange(1, 128);
        spin.setPos(1);
        for (const char* s : {"Sine", "Saw", "Square", "Noise"}) combo.addItem(s);
        combo.select(0);
        list.setItems({"One", "Two", "Three", "Four", "Five", "Six", "Seven"});
        track.setRange(0, 100);
        track.setPos(50);
        radioA.setChecked(true);
    }

    // Types, steps, picks, toggles, drags and scrolls; ends with the edit box focused and
    // part of its text selected.
    static Script script()
    {
        int ih = panelFonts().get({"DejaVu Sans", -11})->metrics().height + 2; // drop-down rows
        return Script()
            .click(179, 14).click(179, 14)               // spin up twice: 3
            .click(60, 50).click(60, 61 + 2 * ih + ih / 2) // combo: open, pick "Square"
            .click(15, 79)                               // check "Hold"
            .click(15, 119)                              // radio "Mono"
            .click(120, 90)                              // list: "Two"
            .key(key::Down)                              // list: "Three"
            .drag(215, 10 + 8 + 45 + 2, 215, 10 + 8 + 27 + 2, 3) // track bar up by 18 px: 30
            .click(130 - 16 + 5, 135 + 44 - 5)           // scroll bar: line down
            .click(20, 20).type("Cutoff 440").keyDown(key::Shift).key(key::Left).key(key::Left).key(key::Left).keyUp(key::Shift);
    }

    TopWindow root;
    Edit edit, buddy;
    SpinButton spin;
    ComboBox combo;
    Button push, check, radioA, radioB;
    ListBox list;
    TrackBar track;
    Scroller scroller;
};

} // namespace kv::ui::test
