// consolehost: the window operations in a terminal, for tovl-console.
#pragma once

#include "host/hostwindow.h"

#include <string>

namespace tovl {

// The output area is standard output: each printed text goes there as UTF-8 with every CR LF
// written as one LF. Messages and prompts go to standard error, answers come from standard
// input. The output text is also kept, so that getouttext stays exact.
class consolehost : public hostwindow {
  public:
    consolehost();
    ~consolehost() override;
    // The destructor flushes: a copy would write the held-back output twice.
    consolehost(const consolehost&) = delete;
    consolehost& operator=(const consolehost&) = delete;

    void setintext(const text& script) override;
    text getintext() override { return script; }
    void showwindow() override {}
    text getouttext() override { return output; }
    void setouttext(const text& newoutput) override;
    void setoutcaret(int32_t) override {}
    void setcaption(const text& caption) override;
    void showmessage(const text& message) override;
    text askinput(const text& prompt) override;
    twipsize outersize() override;
    void appendouttext(textview more) override;
    int32_t outtextlength() override { return static_cast<int32_t>(output.size()); }

    // Writes what is buffered for standard output, a held-back CR included when `final`.
    void flush(bool final = false);
    // A line of its own on standard error, after the output so far.
    void report(const text& message);

  private:
    void writeout(textview more);

    text script;
    text output;
    std::string pending; // UTF-8 bytes not yet written to standard output
    bool heldcr = false; // a CR that ended the last print
    bool stdinterminal;
    bool stderrterminal;
};

} // namespace tovl
