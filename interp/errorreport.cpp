// Wording of the fatal report, the fallback notice and the file commands' error text.
#include "interp/errorreport.h"

#include "interp/scripttext.h"

#include <string>

namespace tovl {

const char16_t linefeedhint[] =
    u"TOVL lines must end with CR LF: this script has line feeds without a carriage return, "
    u"so several of its lines run as one.";

namespace {

text headline(const runerror& error) {
    text out = u"Run-time error ";
    appendascii(out, std::to_string(error.number()));
    out += u": ";
    appendascii(out, error.description());
    return out;
}

void appendplace(text& out, const runerror& error, textview script) {
    if (error.line() == runerror::noline) return;
    std::vector<textview> lines = splitlines(script);
    out += u"line ";
    appendascii(out, std::to_string(error.line() + 1));
    if (static_cast<size_t>(error.line()) < lines.size()) {
        out += u": ";
        out += lines[error.line()];
    }
}

} // namespace

text fatalreport(const runerror& error, textview script) {
    text out = headline(error);
    if (error.line() != runerror::noline) {
        out += u'\n';
        appendplace(out, error, script);
    }
    if (hasbarelinefeed(script)) {
        out += u'\n';
        out += linefeedhint;
    }
    return out;
}

text fallbackreport(const runerror& error, textview script) {
    text out = headline(error);
    if (error.line() != runerror::noline) {
        out += u" in ";
        appendplace(out, error, script);
    }
    out += u"; running the script again from its first line";
    return out;
}

text errornumbertext(const runerror& error) {
    text out;
    appendascii(out, std::to_string(error.number()));
    out += u' ';
    appendascii(out, error.description());
    return out;
}

} // namespace tovl
