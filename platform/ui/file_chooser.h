#pragma once
// The file chooser: a modal in-panel dialog to pick a file to open or a name to save under.
//
// It lists the folders (first, with a trailing '/') and the files of the current folder that
// match the chosen filter (hidden names left out), with ".." to go up. A click on a file puts
// its name in the name box; a double click (or Return) on a folder enters it, on a file
// confirms. OK takes the name box: a folder name (or "..") is entered, an absolute name is
// taken as is, any other name is joined to the current folder; when saving, a name without
// an extension gets the filter's first extension. Opening accepts only existing files.
//
// Headless, the dialog is answered by the script's following steps; without any it is
// cancelled, like every modal window.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/window/top_window.h"

namespace kv::ui {

struct FileFilter {
    std::string label;                    // "Wave files (*.wav)"
    std::vector<std::string> extensions;  // without the dot; empty: all files
};

struct FileChooserOptions {
    bool save = false;
    std::string title;
    std::string folder;   // empty: the current working folder
    std::string fileName; // initial name (a path's folder part becomes the folder)
    std::vector<FileFilter> filters;
};

// Filters from the platform's filter text: pairs of label and pattern list separated by
// '\0' and ended by an empty label ("Wave (*.wav)\0*.wav\0All Files (*.*)\0*.*\0\0");
// patterns are "*.ext" separated by ';', and "*.*" stands for every file.
std::vector<FileFilter> parseFileFilter(std::string_view text);

// The chosen file's full path, or nothing when cancelled.
std::optional<std::string> chooseFile(TopWindow& root, const FileChooserOptions& options);

} // namespace kv::ui
