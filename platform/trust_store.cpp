// The per-user trust store: trusted script contents by SHA-256, trusted folders, and the origin
// that browsers record on downloaded files.
#include "platform/trust_store.h"

#include "platform/descriptors.h"

#include <array>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <vector>

namespace tovl {

namespace {

constexpr std::array<uint32_t, 64> round_constants{
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2};

uint32_t rotate_right(uint32_t x, int n) {
    return (x >> n) | (x << (32 - n));
}

void compress(std::array<uint32_t, 8>& state, const unsigned char* block) {
    std::array<uint32_t, 64> w{};
    for (size_t i = 0; i < 16; ++i) {
        w[i] = uint32_t{block[4 * i]} << 24 | uint32_t{block[4 * i + 1]} << 16 |
               uint32_t{block[4 * i + 2]} << 8 | uint32_t{block[4 * i + 3]};
    }
    for (size_t i = 16; i < 64; ++i) {
        uint32_t s0 = rotate_right(w[i - 15], 7) ^ rotate_right(w[i - 15], 18) ^ (w[i - 15] >> 3);
        uint32_t s1 = rotate_right(w[i - 2], 17) ^ rotate_right(w[i - 2], 19) ^ (w[i - 2] >> 10);
        w[i] = w[i - 16] + s0 + w[i - 7] + s1;
    }
    std::array<uint32_t, 8> v = state;
    for (size_t i = 0; i < 64; ++i) {
        uint32_t s1 = rotate_right(v[4], 6) ^ rotate_right(v[4], 11) ^ rotate_right(v[4], 25);
        uint32_t choice = (v[4] & v[5]) ^ (~v[4] & v[6]);
        uint32_t t1 = v[7] + s1 + choice + round_constants[i] + w[i];
        uint32_t s0 = rotate_right(v[0], 2) ^ rotate_right(v[0], 13) ^ rotate_right(v[0], 22);
        uint32_t majority = (v[0] & v[1]) ^ (v[0] & v[2]) ^ (v[1] & v[2]);
        v = {t1 + s0 + majority, v[0], v[1], v[2], v[3] + t1, v[4], v[5], v[6]};
    }
    for (size_t i = 0; i < 8; ++i)
        state[i] += v[i];
}

// The folder holding the script, with every link resolved, ending in "/".
std::optional<std::string> real_folder(const std::string& script_path) {
    char* real = ::realpath(script_path.c_str(), nullptr);
    if (!real) return std::nullopt;
    std::string path(real);
    std::free(real);
    return path.substr(0, path.rfind('/') + 1);
}

std::vector<std::string> read_lines(const std::string& path) {
    std::vector<std::string> lines;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// Adds a line to one of the store's files: the file is written anew beside the old one and
// renamed over it, so that a crash leaves the old list or the new one, never half of one.
std::optional<std::string> add_line(const std::string& folder, const std::string& name,
                                    const std::string& line) {
    std::string parent = folder.substr(0, folder.rfind('/'));
    ::mkdir(parent.c_str(), 0700);
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
        return "cannot make " + folder + ": " + std::strerror(errno);
    std::string path = folder + "/" + name;
    std::string content;
    for (const std::string& old : read_lines(path))
        content += old + "\n";
    content += line + "\n";
    std::string temporary = path + ".new";
    int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) return "cannot write " + temporary + ": " + std::strerror(errno);
    os_error error = write_all(fd, content);
    if (!error && ::fsync(fd) != 0) error = {errno};
    ::close(fd);
    if (!error && ::rename(temporary.c_str(), path.c_str()) != 0) error = {errno};
    if (!error) return std::nullopt;
    ::unlink(temporary.c_str());
    return "cannot write " + path + ": " + std::strerror(error.number);
}

} // namespace

std::string sha256_hex(std::string_view bytes) {
    std::array<uint32_t, 8> state{0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                                  0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};
    size_t whole = bytes.size() / 64 * 64;
    for (size_t at = 0; at < whole; at += 64)
        compress(state, reinterpret_cast<const unsigned char*>(bytes.data()) + at);
    // The last bytes, a 1 bit, zeros, and the length in bits, in one or two blocks.
    std::array<unsigned char, 128> tail{};
    size_t rest = bytes.size() - whole;
    std::memcpy(tail.data(), bytes.data() + whole, rest);
    tail[rest] = 0x80;
    size_t blocks = rest < 56 ? 1 : 2;
    uint64_t bits = static_cast<uint64_t>(bytes.size()) * 8;
    for (size_t i = 0; i < 8; ++i)
        tail[blocks * 64 - 1 - i] = static_cast<unsigned char>(bits >> (8 * i));
    for (size_t b = 0; b < blocks; ++b)
        compress(state, tail.data() + 64 * b);
    static constexpr char digits[] = "0123456789abcdef";
    std::string hex;
    for (uint32_t word : state) {
        for (int shift = 28; shift >= 0; shift -= 4)
            hex += digits[(word >> shift) & 0xf];
    }
    return hex;
}

trust_store trust_store::for_user() {
    const char* data = std::getenv("XDG_DATA_HOME");
    if (data && data[0] == '/') return trust_store(std::string(data) + "/tovl");
    const char* home = std::getenv("HOME");
    return trust_store(std::string(home ? home : "") + "/.local/share/tovl");
}

bool trust_store::trusts(std::string_view content, const std::string& script_path) const {
    std::string hash = sha256_hex(content);
    for (const std::string& line : read_lines(folder_ + "/trusted-scripts")) {
        if (line.compare(0, hash.size(), hash) == 0 &&
            (line.size() == hash.size() || line[hash.size()] == ' '))
            return true;
    }
    std::optional<std::string> folder = real_folder(script_path);
    if (!folder) return false;
    for (const std::string& line : read_lines(folder_ + "/trusted-folders")) {
        std::string trusted = line.empty() || line.back() == '/' ? line : line + "/";
        if (!trusted.empty() && folder->compare(0, trusted.size(), trusted) == 0) return true;
    }
    return false;
}

std::optional<std::string> trust_store::trust_version(std::string_view content,
                                                      const std::string& script_path) const {
    char* real = ::realpath(script_path.c_str(), nullptr);
    std::string shown = real ? real : script_path;
    std::free(real);
    return add_line(folder_, "trusted-scripts", sha256_hex(content) + " " + shown);
}

std::optional<std::string> trust_store::trust_folder(const std::string& script_path) const {
    std::optional<std::string> folder = real_folder(script_path);
    if (!folder) return "cannot find the folder of " + script_path + ": " + std::strerror(errno);
    return add_line(folder_, "trusted-folders", *folder);
}

std::optional<std::string> download_origin(const std::string& path) {
    std::array<char, 4096> value{};
    ssize_t size = ::getxattr(path.c_str(), "user.xdg.origin.url", value.data(), value.size());
    if (size <= 0) return std::nullopt;
    return std::string(value.data(), static_cast<size_t>(size));
}

} // namespace tovl
