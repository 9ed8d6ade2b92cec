// The interpreter: its state, the runner, the line filter and dispatch, and the handlers.
#pragma once

#include "host/hostwindow.h"
#include "interp/operands.h"
#include "interp/text.h"
#include "interp/variables.h"
#include "platform/systemlayer.h"
#include "platform/textfiles.h"

#include <array>
#include <cstdint>

namespace tovl {

class runerror;

// All interpreter state lives here for the life of the process: the variable table and operand
// layout, the skip flag, the line counter and the last jump text. Only runprogram is public;
// the handlers (defined in commands/, one file per command group) are reached through dispatch.
class interpreter {
  public:
    interpreter(hostwindow& host, systemlayer& system, textfiles& files = textfiles::process())
        : host(host), system(system), files(files) {}
    interpreter(const interpreter&) = delete;
    interpreter& operator=(const interpreter&) = delete;
    ~interpreter() = default;

    // Runs the script held in the host's script text once, from its first line. Run-time
    // errors leave it carrying the index of the line they arose in.
    void runprogram();

    int16_t currentline() const { return curline; }

    // For hosts that must end every run (the fuzzer): after this many more executed lines a
    // run leaves with stepbudgetspent. Unlimited unless set.
    void setstepbudget(uint64_t lines) { stepsleft = lines; }

  private:
    void checkline(textview line);
    void docommand(textview line);
    static int findkeyword(textview line);

    // Handlers, in the order of the keyword tests.
    void cmdfendp(textview line);
    void cmdfsetv(textview line);
    void cmdfinpt(textview line);
    void cmdfprnt(textview line);
    void cmdfnewl(textview line);
    void cmdfifvr(textview line);
    void cmdfmath(textview line);
    void cmdfmsgb(textview line);
    void cmdfappd(textview line);
    void cmdftitl(textview line);
    void cmdftxtd(textview line);
    void cmdfrexe(textview line);
    void cmdfnumv(textview line);
    void cmdfcopy(textview line);
    void cmdfgoto(textview line);
    void cmdfrand(textview line);
    void cmdscdrm(textview line);
    void cmdsshdn(textview line);
    void cmdssave(textview line);
    void cmdsload(textview line);
    void cmdsdele(textview line);
    void cmdscopy(textview line);
    void reportfileerror(const runerror& error);
    template <typename Steps> void filecommand(Steps steps);

    using handler = void (interpreter::*)(textview);
    struct keyword {
        uint64_t head; // the five characters packed, see dispatch.cpp
        handler run;
    };
    static const std::array<keyword, 22> keywords;

  public:
    // What the runner keeps for each line of the current run, so that a line that runs again
    // is not decoded again: its keyword, its operand numbers and, for "fgoto", its target.
    struct linecache {
        static constexpr int unresolved = -2;
        int keyword = unresolved; // index into keywords, or -1 for no keyword
        fieldcache fields;
        uint32_t jumplayout = 0; // the layout version jump and jumptext belong to
        int16_t jump = 0;
        text jumptext;
    };

  private:
    // The operand fields of the line being run, read through its cache.
    operands fields(textview line, int count) {
        return operands(vars, line, count, current ? &current->fields : nullptr);
    }

    hostwindow& host;
    systemlayer& system;
    textfiles& files;
    vartable vars;
    bool skipping = false;
    int16_t curline = 0;
    text gototext;
    uint64_t stepsleft = UINT64_MAX;
    linecache* current = nullptr;        // the cache of the line being run
    const linecache* lastjump = nullptr; // the line whose jump text gototext holds
};

} // namespace tovl
