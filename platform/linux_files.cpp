// Numbered text files on POSIX descriptors, read and written through a 64 KiB buffer.
#include "platform/linux_files.h"

#include "interp/code_page.h"
#include "interp/utf8.h"
#include "platform/descriptors.h"
#include "platform/file_copy.h"
#include "platform/file_delete.h"
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

// Whether the folder part of a file name names a folder (the current one when there is none).
bool folder_exists(const std::string& path) {
    size_t slash = path.rfind('/');
    if (slash == std::string::npos) return true;
    std::string folder = slash == 0 ? "/" : path.substr(0, slash);
    struct stat info {};
    return ::stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

os_error read_error(int err) {
    return {err, os_task::read_file};
}
os_error write_error(int err) {
    return {err, os_task::write_file};
}

// Names with a NUL byte cannot be given to the system: a bad file name.
os_error check_name(const std::string& path, os_task task) {
    return path.find('\0') == std::string::npos ? os_error{} : os_error{EINVAL, task};
}

// Opens a text file to read.
os_error open_input_file(const std::string& path, int& fd) {
    if (os_error error = check_name(path, os_task::read_file)) return error;
    // Not blocking, so that opening a named pipe that nobody holds open fails at once instead
    // of waiting for ever.
    fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0 && errno == ENOENT && !folder_exists(path)) return {ENOENT, os_task::open_folder};
    if (fd < 0) return read_error(errno);
    // A folder opens for reading on Linux; it is no text file. Nor is anything but a plain file
    // (a device or pipe may never end): ESPIPE, a path/file access error.
    struct stat info {};
    int err = ::fstat(fd, &info) != 0 ? errno : S_ISDIR(info.st_mode) ? EISDIR : 0;
    if (!err && !S_ISREG(info.st_mode)) err = ESPIPE;
    if (!err && ::fcntl(fd, F_SETFL, O_RDONLY) != 0) err = ESPIPE;
    if (err) {
        ::close(std::exchange(fd, -1));
        return read_error(err);
    }
    return {};
}

} // namespace

// One open file. Input: bytes [start, end) of the buffer are read from the file but not yet
// used. Output: bytes [0, end) are waiting to be written.
struct linux_files::open_file {
    int fd = -1;
    file_mode mode = file_mode::input;
    // Output: the file's new content, which takes its place at a close after no failure; or
    // a stream, written to directly.
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
        if (mode != file_mode::input) throw to_run_error(read_error(EBADF));
        start = end = 0;
        for (;;) {
            ssize_t n = ::read(fd, buffer.get(), buffer_size);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) throw to_run_error(read_error(errno));
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
    os_error flush() {
        if (mode != file_mode::output || end == 0) return {};
        os_error error = write_all(fd, buffer.get(), end);
        end = 0;
        if (error) failed = true;
        return error;
    }

    // Adds bytes to those waiting to be written, writing them out whenever the buffer fills.
    void put(const char* bytes, size_t count) {
        while (count > 0) {
            size_t piece = std::min(count, buffer_size - end);
            std::memcpy(buffer.get() + end, bytes, piece);
            end += piece;
            bytes += piece;
            count -= piece;
            if (end == buffer_size) {
                if (os_error error = flush()) throw to_run_error(error);
            }
        }
    }

    // Reads more bytes after those not yet used, which move to the front; false at the end.
    bool fill_more() {
        std::memmove(buffer.get(), buffer.get() + start, available());
        end = available();
        start = 0;
        for (;;) {
            ssize_t n = ::read(fd, buffer.get() + end, buffer_size - end);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) throw to_run_error(read_error(errno));
            end += static_cast<size_t>(n);
            return n > 0;
        }
    }

    // Moves `count` bytes from the buffer to the end of `to`, decoded. They end where a line or
    // the file ends, or where a character may continue in bytes not read yet.
    void take(compact_text& to, size_t count) {
        append_decoded(to, encoding, std::string_view(buffer.get() + start, count));
        start += count;
    }

    // Moves every byte read so far to `to`, except a character's first bytes whose rest is not
    // read yet: those wait for the next block, so that the character decodes whole.
    void take_available(compact_text& to) {
        size_t count = available();
        if (encoding == text_encoding::utf8) {
            size_t tail = incomplete_utf8_tail(std::string_view(buffer.get() + start, count));
            if (tail == count && fill_more()) return;
            if (tail < count) count -= tail;
        }
        take(to, count);
    }
};

linux_files::linux_files(text_encoding encoding, std::function<void()> before_stream_write)
    : encoding_(encoding), before_stream_write_(std::move(before_stream_write)) {}

// Files still open are closed; an output file not closed leaves its file as it was.
linux_files::~linux_files() = default;

linux_files::open_file& linux_files::file(int number) {
    if (!valid_number(number) || !files_[number]) throw run_error(error_kind::bad_file_name);
    return *files_[number];
}

void linux_files::open(int number, text_view name, file_mode mode, int64_t expected_size) {
    if (!valid_number(number)) throw run_error(error_kind::bad_file_name);
    if (files_[number]) throw run_error(error_kind::file_already_open);
    auto opened = std::make_unique<open_file>();
    opened->mode = mode;
    opened->encoding = encoding_;
    std::string path = encode_text(encoding_, name);
    if (mode == file_mode::input) {
        if (os_error error = open_input_file(path, opened->fd)) throw to_run_error(error);
    } else {
        os_error error = check_name(path, os_task::write_file);
        if (!error) error = opened->replacement.start(path, 0666, true, expected_size);
        if (error) throw to_run_error(error);
        opened->fd = opened->replacement.fd();
        if (opened->replacement.is_stream() && before_stream_write_) before_stream_write_();
    }
    files_[number] = std::move(opened);
}

int64_t linux_files::encoded_size(text_ref chars) const {
    return static_cast<int64_t>(encoded_length(encoding_, chars));
}

int64_t linux_files::length(int number) {
    open_file& f = file(number);
    if (os_error error = f.flush()) throw to_run_error(error);
    struct stat info {};
    if (::fstat(f.fd, &info) != 0) throw to_run_error(read_error(errno));
    return info.st_size;
}

void linux_files::append_line(int number, compact_text& to) {
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

void linux_files::write(int number, text_ref chars) {
    open_file& f = file(number);
    if (f.mode != file_mode::output) throw to_run_error(write_error(EBADF));
    if (!chars.is_narrow()) {
        write_wide(f, chars.wide());
        return;
    }
    // A narrow text goes out in pieces: ASCII as it is, any other piece through the wide path.
    narrow_view narrow = chars.narrow();
    text widened_piece;
    while (!narrow.empty()) {
        narrow_view piece = narrow.substr(0, buffer_size / 4);
        narrow.remove_prefix(piece.size());
        if (is_ascii(as_bytes(piece))) {
            f.put(as_bytes(piece).data(), piece.size());
            continue;
        }
        widened_piece.assign(piece.begin(), piece.end());
        write_wide(f, widened_piece);
    }
}

void linux_files::write_wide(open_file& f, text_view chars) {
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
                to[i] = encode_char(chars, i);
            f.end += piece;
        }
        chars.remove_prefix(piece);
        if (buffer_size - f.end < 2 * bytes_per_char) {
            if (os_error error = f.flush()) throw to_run_error(error);
        }
    }
}

void linux_files::close(int number) {
    file(number);
    std::unique_ptr<open_file> f = std::move(files_[number]);
    os_error error = f->flush();
    if (f->mode == file_mode::input) {
        // A failed close still releases the descriptor on Linux.
        if (::close(std::exchange(f->fd, -1)) != 0 && !error && errno != EINTR) {
            error = write_error(errno);
        }
    } else if (!error && !f->failed) {
        // Only a whole new content takes the file's place; after a failure the file keeps its
        // old content (the failure was reported when it happened).
        error = f->replacement.finish();
    }
    if (error) throw to_run_error(error);
}

void linux_files::delete_matching(text_view name) {
    os_error error =
        delete_matching_files(encode_text(encoding_, name), encoding_ == text_encoding::utf8);
    if (error) throw to_run_error(error);
}

void linux_files::copy(text_view source, text_view destination) {
    os_error error = copy_file(encode_text(encoding_, source), encode_text(encoding_, destination));
    if (!error) return;
    bool at_source = error.task == os_task::read_file;
    throw to_run_error(error).because((at_source ? u"source file \"" : u"destination file \"") +
                                      text(at_source ? source : destination) + u"\"");
}

os_error read_file_bytes(const std::string& path, std::string& bytes, size_t most) {
    int fd = -1;
    if (os_error error = open_input_file(path, fd)) return error;
    descriptor file(fd);
    // Room for the whole file at once, so that the bytes are not copied as they grow.
    struct stat info {};
    if (::fstat(fd, &info) == 0 && info.st_size > 0) {
        if (static_cast<uint64_t>(info.st_size) > most) return read_error(EFBIG);
        bytes.reserve(static_cast<size_t>(info.st_size));
    }
    char block[buffer_size];
    for (;;) {
        ssize_t n = ::read(fd, block, sizeof block);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return read_error(errno);
        if (n == 0) return {};
        if (static_cast<size_t>(n) > most - bytes.size()) return read_error(EFBIG);
        bytes.append(block, static_cast<size_t>(n));
    }
}

} // namespace tovl
