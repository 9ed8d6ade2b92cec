// tovlfuzz: libFuzzer target that runs each input as a script through start-up, confined by fuzz/run.
//
// Each input is taken as the bytes of a script file: it is written to script.tovl in a private
// working folder and run by Main exactly as tovl-console runs a script, fallback included,
// against an in-memory host and a system layer that launches nothing. A step budget ends every
// run, an allocation budget ends scripts that grow their texts without bound, and after each
// input the open files are closed and the working folder is emptied.
//
// The file commands reach the real file system, so the target refuses to start unless fuzz/run
// has confined it: "/" read-only and a fresh tmpfs on /tmp (see fuzz/run).
#include "app/tovlmod.h"
#include "interp/codepage.h"
#include "interp/errorreport.h"
#include "interp/utf8.h"
#include "tests/unit/fakesystem.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <malloc.h>
#include <new>
#include <optional>
#include <string>
#include <sys/statfs.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace {

// Lines one run may execute; the fallback run gets the same again. Kept small: a loop that
// grows a text by a little on every pass does work quadratic in the steps, and most mutated
// scripts loop until the budget ends them.
constexpr uint64_t stepbudget = 4000;

// ---------------------------------------------------------------------------------------------
// Allocation budget. A script may legitimately double a text with "fappd" in a loop, or copy a
// large text into many slots; the step budget alone would let that reach gigabytes. While a
// script runs, every C++ allocation is counted: beyond `livelimit` bytes live at once, or
// `worklimit` bytes allocated in all, operator new throws std::bad_alloc, which the run meets
// as its Out of memory error, exactly as when the machine's memory runs out. Everything goes
// to malloc/free, so the address sanitizer still sees every block (only its new/delete
// mismatch check is lost).

constexpr int64_t livelimit = int64_t(64) << 20;
constexpr int64_t worklimit = int64_t(512) << 20;

std::atomic<bool> armed{false};
std::atomic<int64_t> livebytes{0};
std::atomic<int64_t> baseline{0};
std::atomic<int64_t> allocated{0};

void* counted(size_t size, size_t alignment, bool nothrow) {
    if (armed.load(std::memory_order_relaxed)) {
        int64_t want = static_cast<int64_t>(size > (size_t(1) << 40) ? size_t(1) << 40 : size);
        if (livebytes.load() - baseline.load() + want > livelimit ||
            allocated.load() + want > worklimit) {
            if (nothrow) return nullptr;
            throw std::bad_alloc();
        }
        allocated += want;
    }
    if (size == 0) size = 1;
    void* p = nullptr;
    if (alignment <= alignof(std::max_align_t)) {
        p = std::malloc(size);
    } else if (::posix_memalign(&p, alignment, size) != 0) {
        p = nullptr;
    }
    if (!p) {
        if (nothrow) return nullptr;
        throw std::bad_alloc();
    }
    livebytes += static_cast<int64_t>(::malloc_usable_size(p));
    return p;
}

void uncounted(void* p) noexcept {
    if (!p) return;
    livebytes -= static_cast<int64_t>(::malloc_usable_size(p));
    std::free(p);
}

class allocationbudget {
  public:
    allocationbudget() {
        baseline = livebytes.load();
        allocated = 0;
        armed = true;
    }
    ~allocationbudget() { armed = false; }
    allocationbudget(const allocationbudget&) = delete;
    allocationbudget& operator=(const allocationbudget&) = delete;
};

} // namespace

void* operator new(size_t n) { return counted(n, 0, false); }
void* operator new[](size_t n) { return counted(n, 0, false); }
void* operator new(size_t n, const std::nothrow_t&) noexcept { return counted(n, 0, true); }
void* operator new[](size_t n, const std::nothrow_t&) noexcept { return counted(n, 0, true); }
void* operator new(size_t n, std::align_val_t a) { return counted(n, size_t(a), false); }
void* operator new[](size_t n, std::align_val_t a) { return counted(n, size_t(a), false); }
void* operator new(size_t n, std::align_val_t a, const std::nothrow_t&) noexcept {
    return counted(n, size_t(a), true);
}
void* operator new[](size_t n, std::align_val_t a, const std::nothrow_t&) noexcept {
    return counted(n, size_t(a), true);
}
void operator delete(void* p) noexcept { uncounted(p); }
void operator delete[](void* p) noexcept { uncounted(p); }
void operator delete(void* p, size_t) noexcept { uncounted(p); }
void operator delete[](void* p, size_t) noexcept { uncounted(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { uncounted(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { uncounted(p); }
void operator delete(void* p, std::align_val_t) noexcept { uncounted(p); }
void operator delete[](void* p, std::align_val_t) noexcept { uncounted(p); }
void operator delete(void* p, size_t, std::align_val_t) noexcept { uncounted(p); }
void operator delete[](void* p, size_t, std::align_val_t) noexcept { uncounted(p); }
void operator delete(void* p, std::align_val_t, const std::nothrow_t&) noexcept { uncounted(p); }
void operator delete[](void* p, std::align_val_t, const std::nothrow_t&) noexcept {
    uncounted(p);
}

namespace {

using namespace tovl;

// ---------------------------------------------------------------------------------------------
// The host: the window's texts in memory, with the output kept only up to `keptlimit`
// characters (its length is still counted in full), dialogs answered from a fixed cycle, and
// the window contract checked on every call.

class fuzzhost : public hostwindow {
  public:
    static constexpr size_t keptlimit = size_t(1) << 22;

    void setintext(const text& t) override { script = t; }
    text getintext() override { return script; }
    void showwindow() override { ++shown; }

    text getouttext() override { return output; }
    void setouttext(const text& t) override {
        output.assign(t, 0, std::min(t.size(), keptlimit));
        outputlength = static_cast<int64_t>(t.size());
        caret = 0;
    }
    void appendouttext(textview more) override {
        outputlength += static_cast<int64_t>(more.size());
        size_t room = keptlimit - std::min(output.size(), keptlimit);
        textview kept = more.substr(0, std::min(more.size(), room));
        output += kept;
        // What a terminal host would write: exercises the UTF-8 encoder on script output.
        utf8scratch.clear();
        appendutf8(utf8scratch, kept);
        caret = 0;
    }
    int32_t outtextlength() override {
        return static_cast<int32_t>(std::min<int64_t>(outputlength, INT32_MAX));
    }
    void setoutcaret(int32_t position) override {
        if (position < 0 || position > outtextlength()) {
            std::fprintf(stderr, "tovlfuzz: caret %d outside the output of %lld characters\n",
                         position, static_cast<long long>(outputlength));
            std::abort();
        }
        caret = position;
    }

    void setcaption(const text& t) override { caption = t; }
    void showmessage(const text& message) override {
        ++messages;
        utf8scratch = toutf8(message);
    }
    text askinput(const text& prompt) override {
        ++prompts;
        utf8scratch = toutf8(prompt);
        // Typed as UTF-8, as a terminal delivers them: numbers in and out of range, blanks,
        // a line break, a wildcard, a character outside the code page and malformed bytes.
        static const char* const answers[] = {
            "", "1", "x", "-2.5", "1e39", " 7 ", "0", "3.5", "a\r\nb", "*", "\xF0\x9F\x98\x80",
            "\xED\xA0\x80",
        };
        return fromutf8(answers[nextanswer++ % std::size(answers)]);
    }
    twipsize outersize() override { return {6255, 4375}; }

  private:
    text script;
    text output;
    int64_t outputlength = 0;
    text caption = u"TOVL";
    int32_t caret = 0;
    int shown = 0;
    int messages = 0;
    int prompts = 0;
    size_t nextanswer = 0;
    std::string utf8scratch;
};

// ---------------------------------------------------------------------------------------------
// The working folder: <base>/work is the current directory while scripts run; <base> itself
// catches names with one "../" in front. Both are emptied after each input.

std::filesystem::path basefolder;
std::filesystem::path workfolder;

void emptyfolder(const std::filesystem::path& folder, const std::filesystem::path& keep) {
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
        if (entry.path() == keep) continue;
        std::filesystem::remove_all(entry.path(), ec);
    }
}

[[noreturn]] void refuse(const char* why) {
    std::fprintf(stderr,
                 "tovlfuzz: %s.\n"
                 "tovlfuzz: the file commands of fuzzed scripts reach the real file system, so\n"
                 "tovlfuzz: this target runs only under fuzz/run, which confines it.\n",
                 why);
    std::_Exit(2);
}

bool writescript(const uint8_t* data, size_t size) {
    FILE* f = std::fopen("script.tovl", "wb");
    if (!f) return false;
    bool ok = std::fwrite(data, 1, size, f) == size;
    return std::fclose(f) == 0 && ok;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    const char* confined = std::getenv("TOVLFUZZ_CONFINED");
    if (!confined || std::strcmp(confined, "1") != 0) refuse("TOVLFUZZ_CONFINED is not set");
    struct statvfs root {};
    if (::statvfs("/", &root) != 0 || !(root.f_flag & ST_RDONLY)) refuse("\"/\" is writable");
    struct statfs tmp {};
    constexpr long tmpfsmagic = 0x01021994;
    if (::statfs("/tmp", &tmp) != 0 || tmp.f_type != tmpfsmagic) refuse("/tmp is no tmpfs");

    char pattern[] = "/tmp/tovlfuzz-XXXXXX";
    if (!::mkdtemp(pattern)) refuse("no temporary folder could be made in /tmp");
    basefolder = pattern;
    workfolder = basefolder / "work";
    std::error_code ec;
    std::filesystem::create_directory(workfolder, ec);
    if (ec || ::chdir(workfolder.c_str()) != 0) refuse("the working folder could not be entered");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (!writescript(data, size)) {
        std::fprintf(stderr, "tovlfuzz: cannot write script.tovl in %s\n", workfolder.c_str());
        std::abort();
    }
    std::optional<runerror> fatal;
    text script;
    {
        fuzzhost host;
        fakesystem system;
        interpreter interp(host, system);
        interp.setstepbudget(stepbudget);
        auto notice = [&](const runerror& error, bool inrun) {
            if (!inrun) {
                // Start-up read a file this target has just written: a start-up fault.
                std::fprintf(stderr, "tovlfuzz: start-up failed: %s\n", error.description());
                std::abort();
            }
            (void)fallbackreport(error, host.getintext());
            interp.setstepbudget(stepbudget);
        };
        allocationbudget budget;
        try {
            Main(interp, host, u"\"script.tovl\"", notice);
        } catch (const runerror& error) {
            fatal = error;
        } catch (const programend&) {
        } catch (const stepbudgetspent&) {
        } catch (const std::bad_alloc&) {
        }
        if (fatal) {
            try {
                script = host.getintext();
            } catch (const std::bad_alloc&) {
                fatal.reset();
            }
        }
    }
    if (fatal) {
        // The report the executables print for an error in the second run.
        (void)fatalreport(*fatal, script);
    }
    textfiles::process().closeall();
    emptyfolder(workfolder, {});
    emptyfolder(basefolder, workfolder);
    return 0;
}
