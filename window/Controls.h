#pragma once

#include <string>

namespace window {

// The controls the window's handlers work through. The handlers see only
// these operations; the Qt widgets behind them, or test fakes, do the rest.
// Texts are UTF-8, paths are the file system's bytes.

class DriveListControl {
public:
    virtual ~DriveListControl() = default;
    // The selected drive's designation, which the folder list's SetPath takes.
    virtual std::string Drive() const = 0;
};

class FolderListControl {
public:
    virtual ~FolderListControl() = default;
    // The full path of the current folder.
    virtual std::string Path() const = 0;
    // Makes a folder, or the current folder of a drive designation, current.
    // The change notification runs before this returns.
    virtual void SetPath(const std::string& path) = 0;
};

class FileListControl {
public:
    virtual ~FileListControl() = default;
    // Lists the package files of the folder at once.
    virtual void SetPath(const std::string& folder) = 0;
    virtual int ListCount() const = 0;
    virtual std::string List(int index) const = 0;
};

class ListBoxControl {
public:
    virtual ~ListBoxControl() = default;
    virtual void Clear() = 0;
    // Appends an entry, not ticked.
    virtual void AddItem(const std::string& text) = 0;
    virtual int ListCount() const = 0;
    virtual std::string List(int index) const = 0;
    // Whether an entry is ticked.
    virtual bool Selected(int index) const = 0;
    virtual void SetSelected(int index, bool ticked) = 0;
};

class MessageBoxControl {
public:
    virtual ~MessageBoxControl() = default;
    // Shows the text with an OK button, captioned "Sarvelin"; returns when the
    // user has closed it. CR LF starts a new line.
    virtual void Show(const std::string& text) = 0;
};

} // namespace window
