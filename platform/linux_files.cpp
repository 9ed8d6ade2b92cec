// Numbered text files on POSIX descriptors, read and written through a 64 KiB buffer.
#include "platform/linux_files.h"

#include "interp/code_page.h"
#include "interp/utf8.h"
#include "platform/file_copy.h"
#include "platform/file_delete.h"
#include "platform/file_errors.h"
#include "platform/file_replacement.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace tovl {

namespace {

constexpr size_t buffer_size = 65536;

bool valid_number(int number) {
    return number >= 1 && number <= linux_files::max_file_number;
}

// Writes every byte, resuming after interruptions and short writes; 0 or the errno.
int write_all(int fd, const char* data, size_t size) {
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
bool folder_exists(const std::string& path) {
    size_t slash = path.rfind('/');
    if (slash == std::string::npos) return true;
    std::string folder = slash == 0 ? "/" : path.substr(0, slash);
    struct stat info {};
    return ::stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// Names with a NUL byte cannot be given to the system.
void check_name(const std::string& path) {
    if (path.find('\0') != std::string::npos) throw run_error(error_kind::bad_file_name);
}

// Opens a text file to read, or raises the error that stopped it.
int open_input_file(const std::string& path) {
    check_name(path);
    // Not blocking, so that opening a named pipe that nobody holds open fails at once instead
    // of waiting for ever.
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0 && errno == ENOENT && !folder_exists(path)) {
        throw run_error(error_kind::path_not_found);
    }
    if (fd < 0) throw_file_error(errno, true);
    // A folder opens for reading on Linux; it is no text file. Nor is anything but a plain file
    // (a device or pipe may never end).
    struct stat info {};
    int err = ::fstat(fd, &info) != 0 ? errno : S_ISDIR(info.st_mode) ? EISDIR : 0;
    if (err || !S_ISREG(info.st_mode) || ::fcntl(fd, F_SETFL, O_RDONLY) != 0) {
        ::close(fd);
        if (err) throw_file_error(err, true);
        throw run_error(error_kind::path_file_access);
    }
    return fd;
}

} // namespace

// One open file. Input: bytes [start, end) of the buffer are read from the file but not yet
// used. Output: bytes [0, end) are waiting to be written.
struct linux_files::open_file {
    int fd = -1;
    file_mode mode = file_mode::input;
    // Output: the file's new content, which takes its place at a close after no failure. A
    // device is written directly; a pipe or socket is refused.
    file_replacement replacement;
    bool failed = false;
    std::unique_ptr<char[]> buffer{new char[buffer_size]};
    size_t start = 0;
    size_t end = 0;

    text_encoding encoding = text_encoding::utf8;

    size_t available() const { return end - start; }

    // Reads the next block once the buffer is used up; false at the end of the file.
    bool fill() {
        if (start < end) return true;
        if (mode != file_mode::input) throw_file_error(EBADF, true);
        start = end = 0;
        for (;;) {
            ssize_t n = ::read(fd, buffer.get(), buffer_size);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) throw_file_error(errno, true);
            end = static_cast<size_t>(n);
            return n > 0;
        }
    }

    open_file() = default;
    open_file(const open_file&) = delete;
    open_file& operator=(const open_file&) = delete;
    // An output file not closed is discarded with its replacement.
    ~open_file() {
        if (mode == file_mode::input && fd >= 0) ::close(fd);
    }

    // Writes out what is waiting. The bytes are dropped even when the write fails, so that
    // one failure is reported once and not again at the close, which then discards the file.
    int flush() {
        if (mode != file_mode::output || end == 0) return 0;
        int err = write_all(fd, buffer.get(), end);
        end = 0;
        if (err) failed = true;
        return err;
    }

    // Reads more bytes after those not yet used, which move to the front; false at the end.
    bool fill_more() {
        std::memmove(buffer.get(), buffer.get() + start, available());
        end = available();
        start = 0;
        for (;;) {
            ssize_t n = ::read(fd, buffer.get() + end, buffer_size - end);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) throw_file_error(errno, true);
            end += static_cast<size_t>(n);
            return n > 0;
        }
    }

    // Moves `count` bytes from the buffer to the end of `to`, decoded. They end where a line or
    // the file ends, or where a character may continue in bytes not read yet.
    void take(text& to, size_t count) {
        append_decoded(to, encoding, std::string_view(buffer.get() + start, count));
        start += count;
    }

    // Moves every byte read so far to `to`, except a character's first bytes whose rest is not
    // read yet: those wait for the next block, so that the character decodes whole.
    void take_available(text& to) {
        size_t count = available();
        if (encoding == text_encoding::utf8) {
            size_t tail = incomplete_utf8_tail(std::string_view(buffer.get() + start, count));
            if (tail == count && fill_more()) return;
            if (tail < count) count -= tail;
        }
        take(to, count);
    }
};

linux_files::linux_files(text_encoding encoding) : encoding_(encoding) {}

// Files still open are closed; an output file not closed leaves its file as it was.
linux_files::~linux_files() = default;

linux_files::open_file& linux_files::file(int number) {
    if (!valid_number(number) || !files_[number]) throw run_error(error_kind::bad_file_name);
    return *files_[number];
}

void linux_files::open(int number, text_view name, file_mode mode) {
    if (!valid_number(number)) throw run_error(error_kind::bad_file_name);
    if (files_[number]) throw run_error(error_kind::file_already_open);
    auto opened = std::make_unique<open_file>();
    opened->mode = mode;
    opened->encoding = encoding_;
    std::string path = encode_text(encoding_, name);
    if (mode == file_mode::input) {
        opened->fd = open_input_file(path);
    } else {
        check_name(path);
        if (int err = opened->replacement.start(path, 0666, true)) throw_file_error(err, false);
        opened->fd = opened->replacement.fd();
    }
    files_[number] = std::move(opened);
}

int64_t linux_files::length(int number) {
    open_file& f = file(number);
    if (int err = f.flush()) throw_file_error(err, false);
    struct stat info {};
    if (::fstat(f.fd, &info) != 0) throw_file_error(errno, true);
    return info.st_size;
}

void linux_files::append_line(int number, text& to) {
    open_file& f = file(number);
    while (f.fill()) {
        const char* from = f.buffer.get() + f.start;
        const void* cr = std::memchr(from, '\r', f.available());
        if (!cr) {
            f.take_available(to);
            continue;
        }
        f.take(to, static_cast<size_t>(static_cast<const char*>(cr) - from));
        ++f.start; // the CR
        // The LF of a CR LF may be the first byte of the next block.
        if (f.fill() && f.buffer[f.start] == '\n') ++f.start;
        break;
    }
}

bool linux_files::at_end(int number) {
    open_file& f = file(number);
    if (f.mode == file_mode::output) return true;
    return !f.fill();
}

void linux_files::write(int number, text_view chars) {
    open_file& f = file(number);
    if (f.mode != file_mode::output) throw_file_error(EBADF, false);
    // A character takes one byte in Windows-1252 and at most three in UTF-8 (four for a
    // surrogate pair, which is two characters), so a piece of `room / 3` characters fits.
    size_t bytes_per_char = encoding_ == text_encoding::utf8 ? 3 : 1;
    while (!chars.empty()) {
        size_t piece = std::min(chars.size(), (buffer_size - f.end) / bytes_per_char);
        // A surrogate pair is never cut in two.
        if (piece > 1 && chars[piece - 1] >= 0xD800 && chars[piece - 1] <= 0xDBFF) --piece;
        char* to = f.buffer.get() + f.end;
        if (encoding_ == text_encoding::utf8) {
            f.end = static_cast<size_t>(put_utf8(to, chars.substr(0, piece)) - f.buffer.get());
        } else {
            for (size_t i = 0; i < piece; ++i)
                to[i] = encode_char(chars[i]);
            f.end += piece;
        }
        chars.remove_prefix(piece);
        if (buffer_size - f.end < 2 * bytes_per_char) {
            if (int err = f.flush()) throw_file_error(err, false);
        }
    }
}

void linux_files::close(int number) {
    file(number);
    std::unique_ptr<open_file> f = std::move(files_[number]);
    int err = f->flush();
    if (f->mode == file_mode::input) {
        // A failed close still releases the descriptor on Linux.
        if (::close(std::exchange(f->fd, -1)) != 0 && err == 0 && errno != EINTR) err = errno;
    } else if (err == 0 && !f->failed) {
        // Only a whole new content takes the file's place; after a failure the file keeps its
        // old content (the failure was reported when it happened).
        err = f->replacement.finish();
    }
    if (err) throw_file_error(err, false);
}

void linux_files::delete_matching(text_view name) {
    delete_matching_files(encode_text(encoding_, name), encoding_ == text_encoding::utf8);
}

void linux_files::copy(text_view source, text_view destination) {
    std::optional<copy_failure> failure =
        copy_file(encode_text(encoding_, source), encode_text(encoding_, destination));
    if (!failure) return;
    bool at_source = failure->side == copy_side::source;
    throw run_error(file_error_kind(failure->error, at_source))
        .because((at_source ? u"source file \"" : u"destination file \"") +
                 text(at_source ? source : destination) + u"\"");
}

file_bytes_read read_file_bytes(const std::string& path) {
    file_bytes_read result;
    int fd = -1;
    try {
        fd = open_input_file(path);
        // Room for the whole file at once, so that the bytes are not copied as they grow.
        struct stat info {};
        if (::fstat(fd, &info) == 0 && info.st_size > 0) {
            result.bytes.reserve(static_cast<size_t>(info.st_size));
        }
        char block[buffer_size];
        for (;;) {
            ssize_t n = ::read(fd, block, sizeof block);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) throw_file_error(errno, true);
            if (n == 0) break;
            result.bytes.append(block, static_cast<size_t>(n));
        }
    } catch (const run_error& error) {
        result.error = error;
    }
    if (fd >= 0) ::close(fd);
    return result;
}

} // namespace tovl
