// The in-memory file system of the fuzz target: names to bytes, numbered open files.
#include "fuzz/memory_files.h"

#include "interp/name_pattern.h"
#include "interp/run_error.h"
#include "interp/text_encoding.h"

#include <algorithm>
#include <string_view>
#include <vector>

namespace tovl::fuzz {

namespace {

constexpr size_t max_name_bytes = 4095;
constexpr size_t max_part_bytes = 255;

struct known_folder {
    std::string_view name;
    bool writable;
};

// The folders of the file system, each with its final slash; "" is the current folder.
constexpr known_folder folders[] = {
    {"", true}, {"sub/", true}, {"/tmp/", true}, {"/", false}, {"/etc/", false}, {"/dev/", false},
};

const known_folder* find_folder(std::string_view name) {
    for (const known_folder& f : folders) {
        if (f.name == name) return &f;
    }
    return nullptr;
}

// A name split into its folder (with its final slash, "./" taken as the current folder) and
// its last part. The key is the name the file is stored under.
struct split_name {
    std::string folder;
    std::string last;
    const known_folder* where = nullptr; // nullptr when the folder does not exist

    std::string key() const { return folder + last; }
    // The name is a folder itself: "sub", "sub/", "." and the like.
    bool names_folder() const {
        return last.empty() || last == "." || last == ".." || find_folder(folder + last + "/");
    }
};

// Whether the name is acceptable at all; a NUL byte or an over-long name or part is not.
bool well_formed(const std::string& bytes) {
    if (bytes.find('\0') != std::string::npos || bytes.size() > max_name_bytes) return false;
    size_t slash = bytes.rfind('/');
    size_t last = slash == std::string::npos ? bytes.size() : bytes.size() - slash - 1;
    return last <= max_part_bytes;
}

split_name split(const std::string& bytes) {
    split_name s;
    size_t slash = bytes.rfind('/');
    if (slash != std::string::npos) {
        s.folder = bytes.substr(0, slash + 1);
        s.last = bytes.substr(slash + 1);
    } else {
        s.last = bytes;
    }
    if (s.folder == "./") s.folder.clear();
    s.where = find_folder(s.folder);
    return s;
}

// The folder part of a stored key, as split() gives it.
std::string_view folder_of_key(std::string_view key) {
    size_t slash = key.rfind('/');
    return slash == std::string_view::npos ? std::string_view() : key.substr(0, slash + 1);
}

// Which device of /dev/ a name is, if any: zero, random and urandom take writes like null.
enum class device_kind { none, null, full };
device_kind device_of(const split_name& s) {
    if (s.folder != "/dev/") return device_kind::none;
    if (s.last == "full") return device_kind::full;
    if (s.last == "null" || s.last == "zero" || s.last == "random" || s.last == "urandom") {
        return device_kind::null;
    }
    return device_kind::none;
}

} // namespace

memory_files::memory_files(text_encoding encoding) : encoding_(encoding) {
    // Lines ending in CR LF, a lone LF inside a line, and a last line without a line end.
    files_[read_only_file] =
        std::make_shared<std::string>("locked\r\nsecond\nhalf\r\n\r\nlast line, no end");
}

memory_files::open_file& memory_files::file(int number) {
    if (number < 1 || number > max_file_number || !open_[number]) {
        throw run_error(error_kind::bad_file_name);
    }
    return *open_[number];
}

int memory_files::open_count() const {
    return static_cast<int>(std::count_if(std::begin(open_), std::end(open_),
                                          [](const auto& f) { return f != nullptr; }));
}

const std::string* memory_files::find(const std::string& name) const {
    auto it = files_.find(name);
    return it == files_.end() ? nullptr : it->second.get();
}

int64_t memory_files::encoded_size(text_ref chars) const {
    return static_cast<int64_t>(encoded_length(encoding_, chars));
}

// Nothing is written in place here, so the expected size reserves nothing.
void memory_files::open(int number, text_view name, file_mode mode, int64_t) {
    if (number < 1 || number > max_file_number) throw run_error(error_kind::bad_file_name);
    if (open_[number]) throw run_error(error_kind::file_already_open);
    std::string bytes = encode_text(encoding_, name);
    if (!well_formed(bytes)) throw run_error(error_kind::bad_file_name);
    split_name s = split(bytes);
    if (!s.where) throw run_error(error_kind::path_not_found);
    if (s.names_folder()) throw run_error(error_kind::path_file_access);

    auto opened = std::make_unique<open_file>();
    opened->mode = mode;
    device_kind dev = device_of(s);
    if (mode == file_mode::input) {
        // A device is no plain file: it may never end.
        if (dev != device_kind::none) throw run_error(error_kind::path_file_access);
        auto it = files_.find(s.key());
        if (it == files_.end()) throw run_error(error_kind::file_not_found);
        opened->bytes = it->second;
    } else if (dev != device_kind::none) {
        opened->sink = dev == device_kind::full ? device::full : device::null;
    } else {
        std::string key = s.key();
        if (key == read_only_file || !s.where->writable) {
            throw run_error(error_kind::permission_denied);
        }
        auto it = files_.find(key);
        if (it != files_.end()) {
            // Emptied in place: a reader of the same file sees it end.
            it->second->clear();
            opened->bytes = it->second;
        } else {
            if (files_.size() >= max_files) throw run_error(error_kind::disk_full);
            opened->bytes = std::make_shared<std::string>();
            files_.emplace(std::move(key), opened->bytes);
        }
    }
    open_[number] = std::move(opened);
}

int64_t memory_files::length(int number) {
    open_file& f = file(number);
    return f.bytes ? static_cast<int64_t>(f.bytes->size()) : 0;
}

void memory_files::append_line(int number, compact_text& to) {
    open_file& f = file(number);
    // Reading a file opened for output: the descriptor refuses it.
    if (f.mode != file_mode::input) throw run_error(error_kind::path_file_access);
    const std::string& b = *f.bytes;
    if (f.position >= b.size()) return;
    size_t cr = b.find('\r', f.position);
    size_t end = cr == std::string::npos ? b.size() : cr;
    append_decoded(to, encoding_, std::string_view(b).substr(f.position, end - f.position));
    f.position = end;
    if (cr != std::string::npos) {
        ++f.position;
        if (f.position < b.size() && b[f.position] == '\n') ++f.position;
    }
}

bool memory_files::at_end(int number) {
    open_file& f = file(number);
    if (f.mode == file_mode::output) return true;
    return f.position >= f.bytes->size();
}

void memory_files::write(int number, text_ref chars) {
    open_file& f = file(number);
    if (f.mode != file_mode::output) throw run_error(error_kind::path_file_access);
    switch (f.sink) {
    case device::null: return;
    case device::full:
        // Bytes wait in the buffer; a full buffer is written out, which fails.
        while (!chars.empty()) {
            size_t piece = std::min(chars.size(), write_buffer_bytes - f.waiting);
            f.waiting += piece;
            chars = chars.substr(piece);
            if (f.waiting == write_buffer_bytes) {
                f.waiting = 0;
                throw run_error(error_kind::disk_full);
            }
        }
        return;
    case device::none: break;
    }
    std::string& b = *f.bytes;
    std::string encoded = encode_text(encoding_, chars);
    if (encoded.size() > max_file_bytes - b.size()) throw run_error(error_kind::disk_full);
    b += encoded;
}

void memory_files::close(int number) {
    file(number);
    std::unique_ptr<open_file> f = std::move(open_[number]);
    if (f->sink == device::full && f->waiting > 0) throw run_error(error_kind::disk_full);
}

void memory_files::delete_matching(text_view name) {
    std::string bytes = encode_text(encoding_, name);
    if (bytes.empty()) throw run_error(error_kind::file_not_found);
    if (!well_formed(bytes)) throw run_error(error_kind::bad_file_name);
    split_name s = split(bytes);
    if (!s.where) throw run_error(error_kind::path_not_found);

    // In name order, as a sorted listing gives them; devices and folders are never matched,
    // for they are not stored.
    std::vector<std::string> matched;
    if (has_wildcards(s.last)) {
        for (const auto& [key, content] : files_) {
            std::string_view folder = folder_of_key(key);
            if (folder != s.folder) continue;
            if (name_matches(s.last, std::string_view(key).substr(folder.size()),
                             encoding_ == text_encoding::utf8)) {
                matched.push_back(key);
            }
        }
    } else if (!s.last.empty() && files_.count(s.key())) {
        matched.push_back(s.key());
    }

    int deleted = 0;
    for (const std::string& key : matched) {
        if (key == read_only_file || !s.where->writable) {
            throw run_error(error_kind::permission_denied);
        }
        files_.erase(key); // a file still open keeps its bytes until it is closed
        ++deleted;
    }
    if (deleted == 0) throw run_error(error_kind::file_not_found);
}

void memory_files::copy(text_view source, text_view destination) {
    std::string from_bytes = encode_text(encoding_, source);
    std::string to_bytes = encode_text(encoding_, destination);
    if (from_bytes.empty() || to_bytes.empty()) throw run_error(error_kind::file_not_found);
    if (!well_formed(from_bytes) || !well_formed(to_bytes)) {
        throw run_error(error_kind::bad_file_name);
    }
    split_name from = split(from_bytes);
    split_name to = split(to_bytes);
    if (!from.where || !to.where) throw run_error(error_kind::path_not_found);
    if (from.names_folder() || to.names_folder() || device_of(from) != device_kind::none ||
        device_of(to) != device_kind::none) {
        throw run_error(error_kind::path_file_access);
    }
    auto it = files_.find(from.key());
    if (it == files_.end()) throw run_error(error_kind::file_not_found);
    std::string to_key = to.key();
    if (to_key == from.key()) return;
    if (to_key == read_only_file || !to.where->writable) {
        throw run_error(error_kind::permission_denied);
    }
    bool replacing = files_.count(to_key) != 0;
    if (!replacing && files_.size() >= max_files) throw run_error(error_kind::disk_full);
    // A new file takes the destination's name whole, as a rename does: a reader of the old
    // destination keeps reading the old bytes.
    auto copied = std::make_shared<std::string>(*it->second);
    files_[to_key] = std::move(copied);
}

} // namespace tovl::fuzz
