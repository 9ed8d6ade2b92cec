// A host for tests: keeps the window's texts in memory and answers dialogs from a script.
#pragma once

#include "host/hostwindow.h"

#include <deque>
#include <initializer_list>
#include <vector>

namespace tovl {

// A script of these lines, each ended by CR LF.
inline text lines(std::initializer_list<text> ls) {
    text script;
    for (const text& l : ls)
        script += l + u"\r\n";
    return script;
}

class testhost : public hostwindow {
  public:
    text intext;
    text outtext;
    text caption = u"TOVL";
    int32_t caret = 0;
    int shown = 0;
    std::vector<text> messages;
    std::vector<text> prompts;
    std::deque<text> answers; // an empty queue answers like Cancel

    void setintext(const text& t) override { intext = t; }
    text getintext() override { return intext; }
    void showwindow() override { ++shown; }
    text getouttext() override { return outtext; }
    void setouttext(const text& t) override {
        outtext = t;
        caret = 0;
    }
    void setoutcaret(int32_t position) override { caret = position; }
    void setcaption(const text& t) override { caption = t; }
    void showmessage(const text& t) override { messages.push_back(t); }
    text askinput(const text& prompt) override {
        prompts.push_back(prompt);
        if (answers.empty()) return {};
        text answer = answers.front();
        answers.pop_front();
        return answer;
    }
    twipsize outersize() override { return {6255, 4375}; }
};

} // namespace tovl
