#include "platform/ui/message_box.h"

#include <algorithm>

#include "platform/text/text_draw.h"
#include "platform/ui/button.h"
#include "platform/ui/dialog.h"

namespace kv::ui {

namespace sys = gfx::sys;

namespace {

constexpr int IconSize = 32, Gap = 12, ButtonW = 75, ButtonH = 23;
constexpr uint32_t TextFormat = gfx::dt::left | gfx::dt::wordbreak | gfx::dt::noprefix;

void drawIcon(gfx::DC& dc, const Rect& r, MessageIcon icon)
{
    if (icon == MessageIcon::Exclamation) {
        // A yellow warning triangle with a black outline and a black "!".
        for (int y = 0; y < IconSize - 2; ++y) {
            int half = (y * 15) / (IconSize - 3);
            int cx = r.left + IconSize / 2;
            dc.fill_rect({cx - half - 1, r.top + 1 + y, cx + half + 1, r.top + 2 + y}, gfx::rgb(0, 0, 0));
            if (half > 0) dc.fill_rect({cx - half, r.top + 1 + y, cx + half, r.top + 2 + y}, gfx::rgb(255, 210, 0));
        }
        dc.fill_rect({r.left + 15, r.top + 10, r.left + 17, r.top + 23}, gfx::rgb(0, 0, 0));
        dc.fill_rect({r.left + 15, r.top + 25, r.left + 17, r.top + 27}, gfx::rgb(0, 0, 0));
    } else if (icon == MessageIcon::Information) {
        // A blue disc with a white "i".
        dc.set_pen({gfx::rgb(0, 70, 160), 1, gfx::PenStyle::solid});
        dc.set_brush(gfx::Brush::solid(gfx::rgb(0, 100, 210)));
        dc.ellipse(Rect::xywh(r.left, r.top, IconSize, IconSize));
        dc.fill_rect({r.left + 14, r.top + 7, r.left + 18, r.top + 11}, sys::window);
        dc.fill_rect({r.left + 14, r.top + 13, r.left + 18, r.top + 25}, sys::window);
    }
}

class MessageDialog : public Dialog {
public:
    MessageDialog(TopWindow& root, std::string text, const std::string& title, MessageIcon icon)
        : Dialog(title), text_(std::move(text)), icon_(icon), ok_(Button::Kind::Push, "OK")
    {
        setFont(root.defaultFont());
        ok_.setFont(root.defaultFont());
        Rect area = root.clientRect();
        int iconW = icon_ == MessageIcon::Plain ? 0 : IconSize + Gap;
        int maxText = std::max(40, std::min(320, area.width() - 2 * Frame - 2 * Gap - iconW));
        textRect_ = measure(maxText);
        int bodyW = std::max(Gap + iconW + textRect_.width() + Gap, ButtonW + 2 * Gap);
        int contentH = std::max(textRect_.height(), icon_ == MessageIcon::Plain ? 0 : IconSize);
        int bodyH = Gap + contentH + Gap + ButtonH + Gap;
        setBodySize(bodyW, bodyH);
        textRect_ = textRect_.offset(Gap + iconW, Gap + std::max(0, (contentH - textRect_.height()) / 2));
        iconRect_ = Rect::xywh(Gap, Gap, IconSize, IconSize);
        addControl(ok_, Rect::xywh((bodyW - ButtonW) / 2, bodyH - Gap - ButtonH, ButtonW, ButtonH));
        ok_.onClick = [this] { end(1); };
        setDefaultButton(&ok_);
        setCancelValue(0);
    }

    void onPaint(gfx::DC& dc) override
    {
        Dialog::onPaint(dc);
        Rect b = bodyRect();
        if (icon_ != MessageIcon::Plain) drawIcon(dc, iconRect_.offset(b.left, b.top), icon_);
        textSetup(dc, sys::window_text);
        Rect tr = textRect_.offset(b.left, b.top);
        gfx::draw_text(dc, text_, tr, TextFormat);
    }

private:
    Rect measure(int maxWidth)
    {
        auto f = font();
        if (!f) return Rect::xywh(0, 0, maxWidth, 16);
        gfx::Bitmap scratch(1, 1);
        gfx::DC dc(scratch);
        dc.set_font(f);
        Rect r = Rect::xywh(0, 0, maxWidth, 0);
        gfx::draw_text(dc, text_, r, TextFormat | gfx::dt::calcrect);
        return Rect::xywh(0, 0, std::min(r.width(), maxWidth), r.height());
    }

    std::string text_;
    MessageIcon icon_;
    Button ok_;
    Rect textRect_, iconRect_;
};

} // namespace

int messageBox(TopWindow& root, const std::string& text, const std::string& title, MessageIcon icon)
{
    MessageDialog d(root, text, title, icon);
    return d.run(root);
}

} // namespace kv::ui
