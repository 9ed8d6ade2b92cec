// File commands: "ssave", "sload", "sdele" and "scopy". They report their own errors in a
// message ("number description") and let the run go on.
#include "app/tovlmod.h"
#include "interp/errorreport.h"
#include "interp/interpreter.h"
#include "platform/filedelete.h"

#include <new>

namespace tovl {

namespace {

// "ssave" and "sload" work under this file number.
constexpr int filenumber = 1;

// What "ssave" writes for a value: texts as they are, numbers with a blank in front when not
// negative and a blank after, nothing for Empty. A text is written from the slot itself, so
// saving a large text needs no second copy of it.
void writeprintform(textfiles& files, const Value& v) {
    switch (v.kind()) {
    case ValueKind::Empty: return;
    case ValueKind::Text: files.write(filenumber, v.textpart()); return;
    case ValueKind::Int16:
    case ValueKind::Float32:
    case ValueKind::Float64: {
        text out = valuedouble(v) < 0 ? u"" : u" ";
        appendvaluetext(out, v);
        out += u' ';
        files.write(filenumber, out);
        return;
    }
    }
}

// Frees the file number after a failure, so one failed command does not leave every later
// "ssave" and "sload" failing with file already open. The failure being reported is the
// first one; a second one from the close is dropped.
void closeafterfailure(textfiles& files) {
    try {
        files.close(filenumber);
    } catch (const runerror&) {
    }
}

} // namespace

void interpreter::reportfileerror(const runerror& error) {
    host.showmessage(errornumbertext(error));
}

// Runs a file command's steps, reporting any failure instead of passing it on. A file too
// large for memory is a failure like any other.
template <typename Steps> void interpreter::filecommand(Steps steps) {
    try {
        steps();
    } catch (const runerror& error) {
        reportfileerror(error);
    } catch (const std::bad_alloc&) {
        reportfileerror(runerror(errorkind::outofmemory));
    }
}

// The value's slot is resolved before the file is opened, so a bad slot number leaves an
// existing file untouched.
void interpreter::cmdssave(textview line) {
    filecommand([&] {
        operands f = fields(line, 2);
        text name = valuetext(f.slot(2));
        const Value& v = f.slot(1);
        files.open(filenumber, name, filemode::output);
        try {
            writeprintform(files, v);
            files.write(filenumber, u"\r\n");
            files.close(filenumber);
        } catch (...) {
            closeafterfailure(files);
            throw;
        }
    });
}

// Loads the whole file as one text, every line ending in CR LF; the receiving slot keeps its
// value when anything fails.
void interpreter::cmdsload(textview line) {
    filecommand([&] {
        operands f = fields(line, 2);
        text name = valuetext(f.slot(2));
        files.open(filenumber, name, filemode::input);
        try {
            // Every byte becomes one character and each line end at most two, so the length
            // of the file is nearly always room enough.
            text content;
            content.reserve(static_cast<size_t>(files.length(filenumber)) + 2);
            while (!files.atend(filenumber)) {
                files.appendline(filenumber, content);
                content += u"\r\n";
            }
            f.slot(1) = Value::fromtext(std::move(content));
            files.close(filenumber);
        } catch (...) {
            closeafterfailure(files);
            throw;
        }
    });
}

void interpreter::cmdsdele(textview line) {
    filecommand([&] { deletematching(valuetext(fields(line, 1).slot(1))); });
}

// Copies field 1's file over field 2's; a copy that fails shows nothing.
void interpreter::cmdscopy(textview line) {
    filecommand([&] {
        operands f = fields(line, 2);
        text destination = valuetext(f.slot(2));
        text source = valuetext(f.slot(1));
        copyfile(source, destination, 0);
    });
}

} // namespace tovl
