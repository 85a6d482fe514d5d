#include "platform/ui/control.h"

#include "platform/text/text_draw.h"

namespace kv::ui {

void Control::setFont(std::shared_ptr<const gfx::Font> f)
{
    font_ = std::move(f);
    invalidate();
}

std::shared_ptr<const gfx::Font> Control::font() const
{
    if (font_) return font_;
    if (TopWindow* r = root()) return r->defaultFont();
    return nullptr;
}

int Control::lineHeight() const
{
    auto f = font();
    return f ? f->metrics().height : 16;
}

int Control::textWidth(std::string_view text) const
{
    auto f = font();
    return f ? f->extent(text).cx : 0;
}

void Control::textSetup(gfx::DC& dc, gfx::Colour c) const
{
    dc.set_font(font());
    dc.set_text_colour(c);
    dc.set_bk_mode(gfx::BkMode::transparent);
    dc.set_text_align(gfx::ta::left | gfx::ta::top);
}

} // namespace kv::ui
