// Numbered text files on POSIX descriptors, read and written through a 64 KiB buffer.
#include "platform/textfiles.h"

#include "interp/codepage.h"
#include "platform/fileerrors.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace tovl {

namespace {

constexpr size_t buffersize = 65536;

bool validnumber(int number) {
    return number >= 1 && number <= textfiles::maxfilenumber;
}

// Writes every byte, resuming after interruptions and short writes; 0 or the errno.
int writeall(int fd, const char* data, size_t size) {
    while (size > 0) {
        ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
    return 0;
}

// Whether the folder part of a file name names a folder (the current one when there is none).
bool folderexists(const std::string& path) {
    size_t slash = path.rfind('/');
    if (slash == std::string::npos) return true;
    std::string folder = slash == 0 ? "/" : path.substr(0, slash);
    struct stat info {};
    return ::stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

} // namespace

// One open file. Input: bytes [start, end) of the buffer are read from the file but not yet
// used. Output: bytes [0, end) are waiting to be written.
struct textfiles::openfile {
    int fd = -1;
    filemode mode = filemode::input;
    std::unique_ptr<char[]> buffer{new char[buffersize]};
    size_t start = 0;
    size_t end = 0;

    size_t available() const { return end - start; }

    // Reads the next block once the buffer is used up; false at the end of the file.
    bool fill() {
        if (start < end) return true;
        if (mode != filemode::input) throwfileerror(EBADF, true);
        start = end = 0;
        for (;;) {
            ssize_t n = ::read(fd, buffer.get(), buffersize);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) throwfileerror(errno, true);
            end = static_cast<size_t>(n);
            return n > 0;
        }
    }

    // Writes out what is waiting. The bytes are dropped even when the write fails, so that
    // one failure is reported once and not again at the close.
    int flush() {
        if (mode != filemode::output || end == 0) return 0;
        int err = writeall(fd, buffer.get(), end);
        end = 0;
        return err;
    }

    // Moves `count` bytes from the buffer to the end of `to`, decoded.
    void take(text& to, size_t count) {
        size_t old = to.size();
        to.resize(old + count);
        const char* bytes = buffer.get() + start;
        for (size_t i = 0; i < count; ++i) {
            to[old + i] = decodebyte(static_cast<unsigned char>(bytes[i]));
        }
        start += count;
    }
};

textfiles::textfiles() = default;

textfiles::~textfiles() {
    closeall();
}

textfiles& textfiles::process() {
    static textfiles table;
    return table;
}

int textfiles::lowestfree() const {
    for (int number = 1; number <= maxfilenumber; ++number) {
        if (!files[number]) return number;
    }
    throw runerror(errorkind::filealreadyopen);
}

bool textfiles::inuse(int number) const {
    return validnumber(number) && files[number];
}

textfiles::openfile& textfiles::file(int number) {
    if (!inuse(number)) throw runerror(errorkind::badfilename);
    return *files[number];
}

void textfiles::open(int number, textview name, filemode mode) {
    if (!validnumber(number)) throw runerror(errorkind::badfilename);
    if (files[number]) throw runerror(errorkind::filealreadyopen);
    std::string path = encodecodepage(name);
    bool reading = mode == filemode::input;
    if (path.find('\0') != std::string::npos) throw runerror(errorkind::badfilename);

    auto opened = std::make_unique<openfile>();
    opened->mode = mode;
    int flags = reading ? O_RDONLY : O_WRONLY | O_CREAT | O_TRUNC;
    // Not blocking, so that opening a named pipe that nobody holds open fails at once instead
    // of waiting for ever.
    int fd = ::open(path.c_str(), flags | O_CLOEXEC | O_NONBLOCK, 0666);
    if (fd < 0 && errno == ENOENT && reading && !folderexists(path)) {
        throw runerror(errorkind::pathnotfound);
    }
    if (fd < 0) throwfileerror(errno, reading);
    // A folder opens for reading on Linux; it is no text file. Nor is anything but a plain file
    // to read from (a device or pipe may never end) or a pipe or socket to write to; writing
    // to a device such as /dev/null is fine.
    struct stat info {};
    int err = ::fstat(fd, &info) != 0 ? errno : S_ISDIR(info.st_mode) ? EISDIR : 0;
    bool textfile = reading ? S_ISREG(info.st_mode) : S_ISREG(info.st_mode) || S_ISCHR(info.st_mode);
    if (err || !textfile || ::fcntl(fd, F_SETFL, reading ? O_RDONLY : O_WRONLY) != 0) {
        ::close(fd);
        if (err) throwfileerror(err, reading);
        throw runerror(errorkind::pathfileaccess);
    }
    opened->fd = fd;
    files[number] = std::move(opened);
}

int64_t textfiles::length(int number) {
    openfile& f = file(number);
    if (int err = f.flush()) throwfileerror(err, false);
    struct stat info {};
    if (::fstat(f.fd, &info) != 0) throwfileerror(errno, true);
    return info.st_size;
}

text textfiles::read(int number, int64_t count) {
    openfile& f = file(number);
    text chars;
    while (count > 0 && f.fill()) {
        size_t piece = std::min(f.available(), static_cast<size_t>(count));
        f.take(chars, piece);
        count -= static_cast<int64_t>(piece);
    }
    return chars;
}

text textfiles::readline(int number) {
    text line;
    appendline(number, line);
    return line;
}

void textfiles::appendline(int number, text& line) {
    openfile& f = file(number);
    while (f.fill()) {
        const char* from = f.buffer.get() + f.start;
        const void* cr = std::memchr(from, '\r', f.available());
        if (!cr) {
            f.take(line, f.available());
            continue;
        }
        f.take(line, static_cast<size_t>(static_cast<const char*>(cr) - from));
        ++f.start; // the CR
        // The LF of a CR LF may be the first byte of the next block.
        if (f.fill() && f.buffer[f.start] == '\n') ++f.start;
        break;
    }
}

bool textfiles::atend(int number) {
    openfile& f = file(number);
    if (f.mode == filemode::output) return true;
    return !f.fill();
}

void textfiles::write(int number, textview chars) {
    openfile& f = file(number);
    if (f.mode != filemode::output) throwfileerror(EBADF, false);
    while (!chars.empty()) {
        size_t piece = std::min(chars.size(), buffersize - f.end);
        char* to = f.buffer.get() + f.end;
        for (size_t i = 0; i < piece; ++i)
            to[i] = encodechar(chars[i]);
        f.end += piece;
        chars.remove_prefix(piece);
        if (f.end == buffersize) {
            if (int err = f.flush()) throwfileerror(err, false);
        }
    }
}

void textfiles::close(int number) {
    file(number);
    std::unique_ptr<openfile> f = std::move(files[number]);
    int err = f->flush();
    // A failed close still releases the descriptor on Linux; it may report a late write error.
    if (::close(f->fd) != 0 && err == 0 && errno != EINTR) err = errno;
    if (err) throwfileerror(err, false);
}

void textfiles::closeall() noexcept {
    for (auto& slot : files) {
        if (!slot) continue;
        slot->flush();
        ::close(slot->fd);
        slot.reset();
    }
}

} // namespace tovl
