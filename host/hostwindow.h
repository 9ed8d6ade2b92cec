// hostwindow: the window operations through which the interpreter reaches its window.
#pragma once

#include "interp/text.h"

#include <cstdint>

namespace tovl {

struct twipsize {
    float width;
    float height;
};

// The interpreter touches its window only through these operations, so it runs against the Qt
// window, the console host and the test hosts alike. Everything runs on one thread.
class hostwindow {
  public:
    virtual ~hostwindow() = default;

    // The hidden script text: stored once by start-up, read by each run.
    virtual void setintext(const text& script) = 0;
    virtual text getintext() = 0;
    // Makes the window visible and returns at once; nothing changes when it is visible.
    virtual void showwindow() = 0;

    // The output area. After setouttext the caret is at the start with the first line in view.
    virtual text getouttext() = 0;
    virtual void setouttext(const text& output) = 0;
    // Moves the caret to a position 0..length and scrolls it into view.
    virtual void setoutcaret(int32_t position) = 0;

    virtual void setcaption(const text& caption) = 0;
    // Modal boxes titled "TOVL". askinput gives the empty text on Cancel.
    virtual void showmessage(const text& message) = 0;
    virtual text askinput(const text& prompt) = 0;

    // The window's outer size in twips, frame and title bar included.
    virtual twipsize outersize() = 0;

    // Exactly setouttext(getouttext() + more): the caret goes to the start. Hosts override it
    // to take time proportional to `more` rather than to the whole output.
    virtual void appendouttext(textview more) {
        text all = getouttext();
        all += more;
        setouttext(all);
    }
    // Exactly getouttext().size(), without the copy where a host can.
    virtual int32_t outtextlength() { return static_cast<int32_t>(getouttext().size()); }
};

} // namespace tovl
