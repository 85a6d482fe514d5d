#include "platform/ui/file_chooser.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "platform/text/text_draw.h"
#include "platform/ui/button.h"
#include "platform/ui/combo_box.h"
#include "platform/ui/dialog.h"
#include "platform/ui/edit.h"
#include "platform/ui/list_box.h"

namespace kv::ui {

namespace fs = std::filesystem;
namespace sys = gfx::sys;

namespace {

std::string lowerCase(std::string s)
{
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return s;
}

bool matches(const std::string& name, const FileFilter* f)
{
    if (!f || f->extensions.empty()) return true;
    auto dot = name.rfind('.');
    if (dot == std::string::npos) return false;
    std::string ext = lowerCase(name.substr(dot + 1));
    for (const std::string& e : f->extensions)
        if (e == "*" || lowerCase(e) == ext) return true;
    return false;
}

class FileDialog : public Dialog {
public:
    FileDialog(TopWindow& root, const FileChooserOptions& o)
        : Dialog(o.title.empty() ? (o.save ? "Save As" : "Open") : o.title), options_(o), ok_(Button::Kind::Push, o.save ? "Save" : "Open"),
          cancel_(Button::Kind::Push, "Cancel")
    {
        for (Control* c : std::initializer_list<Control*>{this, &list_, &name_, &filter_, &ok_, &cancel_}) c->setFont(root.defaultFont());
        Rect area = root.clientRect();
        int bodyW = std::clamp(area.width() - 2 * Frame, 120, 360);
        int bodyH = std::clamp(area.height() - 2 * Frame - TitleHeight, 120, 260);
        setBodySize(bodyW, bodyH);
        int lh = lineHeight();
        int rowH = lh + 6;
        folderRect_ = Rect::xywh(6, 4, bodyW - 12, lh);
        int bottom = bodyH - 6;
        int buttonsY = bottom - 23;
        int filterY = buttonsY - 6 - rowH;
        int nameY = filterY - 4 - rowH;
        addControl(list_, {6, folderRect_.bottom + 4, bodyW - 6, nameY - 4});
        addControl(name_, {6, nameY, bodyW - 6, nameY + rowH});
        addControl(filter_, {6, filterY, bodyW - 6, filterY + rowH});
        addControl(ok_, {bodyW - 6 - 2 * 75 - 6, buttonsY, bodyW - 6 - 75 - 6, bottom});
        addControl(cancel_, {bodyW - 6 - 75, buttonsY, bodyW - 6, bottom});
        setDefaultButton(&ok_);
        setInitialFocus(&name_);
        setCancelValue(0);
        for (const FileFilter& f : options_.filters) filter_.addItem(f.label);
        if (!options_.filters.empty()) filter_.select(0);
        filter_.onSelect = [this](int) { refresh(); };
        list_.onSelect = [this](int i) {
            const Entry& e = entries_[size_t(i)];
            if (!e.folder) name_.setText(e.name);
        };
        list_.onActivate = [this](int i) {
            const Entry& e = entries_[size_t(i)];
            if (e.folder) enter(e.name);
            else {
                name_.setText(e.name);
                confirm();
            }
        };
        ok_.onClick = [this] { confirm(); };
        cancel_.onClick = [this] { end(0); };

        std::error_code ec;
        fs::path start = options_.folder.empty() ? fs::current_path(ec) : fs::path(options_.folder);
        fs::path initial(options_.fileName);
        if (initial.has_parent_path()) {
            start = initial.is_absolute() ? initial.parent_path() : start / initial.parent_path();
            name_.setText(initial.filename().string());
        } else {
            name_.setText(options_.fileName);
        }
        folder_ = fs::weakly_canonical(start, ec);
        if (ec) folder_ = start;
        refresh();
        name_.selectAll();
    }

    const std::string& result() const { return result_; }

    void onPaint(gfx::DC& dc) override
    {
        Dialog::onPaint(dc);
        Rect b = bodyRect();
        textSetup(dc, sys::window_text);
        Rect r = folderRect_.offset(b.left, b.top);
        gfx::draw_text(dc, folder_.string(), r, gfx::dt::left | gfx::dt::singleline | gfx::dt::noprefix | gfx::dt::end_ellipsis);
    }

private:
    struct Entry {
        std::string name;
        bool folder;
    };

    const FileFilter* currentFilter() const
    {
        int i = filter_.selected();
        return i >= 0 && i < int(options_.filters.size()) ? &options_.filters[size_t(i)] : nullptr;
    }

    void refresh()
    {
        entries_.clear();
        std::vector<Entry> dirs, files;
        std::error_code ec;
        for (fs::directory_iterator it(folder_, ec), end; !ec && it != end; it.increment(ec)) {
            std::string n = it->path().filename().string();
            if (n.empty() || n[0] == '.') continue;
            std::error_code ec2;
            if (it->is_directory(ec2)) dirs.push_back({n, true});
            else if (matches(n, currentFilter())) files.push_back({n, false});
        }
        auto byName = [](const Entry& a, const Entry& b) { return lowerCase(a.name) < lowerCase(b.name) || (lowerCase(a.name) == lowerCase(b.name) && a.name < b.name); };
        std::sort(dirs.begin(), dirs.end(), byName);
        std::sort(files.begin(), files.end(), byName);
        if (folder_.has_parent_path() && folder_ != folder_.root_path()) entries_.push_back({"..", true});
        entries_.insert(entries_.end(), dirs.begin(), dirs.end());
        entries_.insert(entries_.end(), files.begin(), files.end());
        std::vector<std::string> rows;
        for (const Entry& e : entries_) rows.push_back(e.folder ? e.name + "/" : e.name);
        list_.setItems(std::move(rows));
        invalidate();
    }

    void enter(const std::string& name)
    {
        fs::path next = name == ".." ? folder_.parent_path() : folder_ / name;
        std::error_code ec;
        if (!fs::is_directory(next, ec)) return;
        folder_ = next;
        name_.setText({});
        refresh();
    }

    void confirm()
    {
        std::string n = name_.text();
        if (n.empty()) return;
        fs::path p = fs::path(n).is_absolute() ? fs::path(n) : folder_ / n;
        std::error_code ec;
        if (n == ".." || fs::is_directory(p, ec)) {
            folder_ = n == ".." ? folder_.parent_path() : p;
            name_.setText({});
            refresh();
            return;
        }
        if (options_.save) {
            const FileFilter* f = currentFilter();
            if (!p.has_extension() && f && !f->extensions.empty() && f->extensions[0] != "*")
                p += "." + f->extensions[0];
        } else if (!fs::is_regular_file(p, ec)) {
            return; // opening needs an existing file
        }
        result_ = p.string();
        end(1);
    }

    FileChooserOptions options_;
    fs::path folder_;
    std::vector<Entry> entries_;
    ListBox list_;
    Edit name_;
    ComboBox filter_;
    Button ok_, cancel_;
    Rect folderRect_;
    std::string result_;
};

} // namespace

std::vector<FileFilter> parseFileFilter(std::string_view text)
{
    std::vector<FileFilter> out;
    auto next = [&]() -> std::string_view {
        size_t z = text.find('\0');
        std::string_view part = text.substr(0, z);
        text = z == std::string_view::npos ? std::string_view() : text.substr(z + 1);
        return part;
    };
    while (!text.empty()) {
        std::string_view label = next();
        if (label.empty()) break;
        std::string_view patterns = next();
        FileFilter f{std::string(label), {}};
        bool all = false;
        while (!patterns.empty()) {
            size_t semi = patterns.find(';');
            std::string_view p = patterns.substr(0, semi);
            patterns = semi == std::string_view::npos ? std::string_view() : patterns.substr(semi + 1);
            if (p == "*.*" || p == "*") all = true;
            else if (p.substr(0, 2) == "*.") f.extensions.emplace_back(p.substr(2));
        }
        if (all) f.extensions.clear();
        out.push_back(std::move(f));
    }
    return out;
}

std::optional<std::string> chooseFile(TopWindow& root, const FileChooserOptions& options)
{
    FileDialog d(root, options);
    if (d.run(root) != 1) return std::nullopt;
    return d.result();
}

} // namespace kv::ui
