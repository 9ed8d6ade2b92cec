// Numbered text files on POSIX descriptors, read and written through a 64 KiB buffer.
#include "platform/linux_files.h"

#include "interp/code_page.h"
#include "platform/file_copy.h"
#include "platform/file_delete.h"
#include "platform/file_errors.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

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

} // namespace

// One open file. Input: bytes [start, end) of the buffer are read from the file but not yet
// used. Output: bytes [0, end) are waiting to be written.
struct linux_files::open_file {
    int fd = -1;
    file_mode mode = file_mode::input;
    std::unique_ptr<char[]> buffer{new char[buffer_size]};
    size_t start = 0;
    size_t end = 0;

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

    // Writes out what is waiting. The bytes are dropped even when the write fails, so that
    // one failure is reported once and not again at the close.
    int flush() {
        if (mode != file_mode::output || end == 0) return 0;
        int err = write_all(fd, buffer.get(), end);
        end = 0;
        return err;
    }

    // Moves `count` bytes from the buffer to the end of `to`, decoded.
    void take(text& to, size_t count) {
        size_t old = to.size();
        to.resize(old + count);
        const char* bytes = buffer.get() + start;
        for (size_t i = 0; i < count; ++i) {
            to[old + i] = decode_byte(static_cast<unsigned char>(bytes[i]));
        }
        start += count;
    }
};

linux_files::linux_files() = default;

// Whatever is still open is written out and closed; failures can no longer be reported.
linux_files::~linux_files() {
    for (auto& slot : files_) {
        if (!slot) continue;
        slot->flush();
        ::close(slot->fd);
    }
}

linux_files::open_file& linux_files::file(int number) {
    if (!valid_number(number) || !files_[number]) throw run_error(error_kind::bad_file_name);
    return *files_[number];
}

void linux_files::open(int number, text_view name, file_mode mode) {
    if (!valid_number(number)) throw run_error(error_kind::bad_file_name);
    if (files_[number]) throw run_error(error_kind::file_already_open);
    std::string path = encode_code_page(name);
    bool reading = mode == file_mode::input;
    if (path.find('\0') != std::string::npos) throw run_error(error_kind::bad_file_name);

    auto opened = std::make_unique<open_file>();
    opened->mode = mode;
    int flags = reading ? O_RDONLY : O_WRONLY | O_CREAT | O_TRUNC;
    // Not blocking, so that opening a named pipe that nobody holds open fails at once instead
    // of waiting for ever.
    int fd = ::open(path.c_str(), flags | O_CLOEXEC | O_NONBLOCK, 0666);
    if (fd < 0 && errno == ENOENT && reading && !folder_exists(path)) {
        throw run_error(error_kind::path_not_found);
    }
    if (fd < 0) throw_file_error(errno, reading);
    // A folder opens for reading on Linux; it is no text file. Nor is anything but a plain file
    // to read from (a device or pipe may never end) or a pipe or socket to write to; writing
    // to a device such as /dev/null is fine.
    struct stat info {};
    int err = ::fstat(fd, &info) != 0 ? errno : S_ISDIR(info.st_mode) ? EISDIR : 0;
    bool is_text_file =
        reading ? S_ISREG(info.st_mode) : S_ISREG(info.st_mode) || S_ISCHR(info.st_mode);
    if (err || !is_text_file || ::fcntl(fd, F_SETFL, reading ? O_RDONLY : O_WRONLY) != 0) {
        ::close(fd);
        if (err) throw_file_error(err, reading);
        throw run_error(error_kind::path_file_access);
    }
    opened->fd = fd;
    files_[number] = std::move(opened);
}

int64_t linux_files::length(int number) {
    open_file& f = file(number);
    if (int err = f.flush()) throw_file_error(err, false);
    struct stat info {};
    if (::fstat(f.fd, &info) != 0) throw_file_error(errno, true);
    return info.st_size;
}

text linux_files::read_rest(int number) {
    open_file& f = file(number);
    text chars;
    while (f.fill())
        f.take(chars, f.available());
    return chars;
}

void linux_files::append_line(int number, text& to) {
    open_file& f = file(number);
    while (f.fill()) {
        const char* from = f.buffer.get() + f.start;
        const void* cr = std::memchr(from, '\r', f.available());
        if (!cr) {
            f.take(to, f.available());
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
    while (!chars.empty()) {
        size_t piece = std::min(chars.size(), buffer_size - f.end);
        char* to = f.buffer.get() + f.end;
        for (size_t i = 0; i < piece; ++i)
            to[i] = encode_char(chars[i]);
        f.end += piece;
        chars.remove_prefix(piece);
        if (f.end == buffer_size) {
            if (int err = f.flush()) throw_file_error(err, false);
        }
    }
}

void linux_files::close(int number) {
    file(number);
    std::unique_ptr<open_file> f = std::move(files_[number]);
    int err = f->flush();
    // A failed close still releases the descriptor on Linux; it may report a late write error.
    if (::close(f->fd) != 0 && err == 0 && errno != EINTR) err = errno;
    if (err) throw_file_error(err, false);
}

void linux_files::delete_matching(text_view name) {
    delete_matching_files(encode_code_page(name));
}

bool linux_files::copy(text_view source, text_view destination) {
    return copy_file(encode_code_page(source), encode_code_page(destination));
}

text_file_read read_text_file(text_view name) {
    constexpr int number = 1;
    linux_files files;
    try {
        files.open(number, name, file_mode::input);
        text content = files.read_rest(number);
        files.close(number);
        return {std::move(content), std::nullopt};
    } catch (const run_error& error) {
        return {text(), error};
    }
}

} // namespace tovl
