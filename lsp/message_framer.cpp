// Splits the bytes from the client into the protocol's messages.
#include "lsp/message_framer.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace tovl::lsp {

namespace {

bool same_words(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

} // namespace

void message_framer::feed(std::string_view bytes) {
    size_t dropped = std::min(skipping_, bytes.size());
    skipping_ -= dropped;
    bytes.remove_prefix(dropped);
    // What was read is dropped from the front before the buffer grows.
    if (start_ > 0 && start_ >= buffer_.size() / 2) {
        buffer_.erase(0, start_);
        start_ = 0;
    }
    buffer_.append(bytes);
}

std::optional<framed_message> message_framer::read_header(size_t header_end) {
    std::string_view header(buffer_.data() + start_, header_end - start_);
    start_ = header_end + 4;
    std::optional<size_t> length;
    while (!header.empty()) {
        size_t end = header.find("\r\n");
        std::string_view line = header.substr(0, end);
        header.remove_prefix(end == std::string_view::npos ? header.size() : end + 2);
        size_t colon = line.find(':');
        if (colon == std::string_view::npos)
            return framed_message{framed_message::kind::bad_header,
                                  "a header line without a colon"};
        if (!same_words(trimmed(line.substr(0, colon)), "Content-Length")) continue;
        std::string_view digits = trimmed(line.substr(colon + 1));
        size_t n = 0;
        auto [end_of_number, fault] = std::from_chars(digits.begin(), digits.end(), n);
        if (digits.empty() || fault != std::errc() || end_of_number != digits.end())
            return framed_message{framed_message::kind::bad_header,
                                  "Content-Length is not a whole number of bytes"};
        length = n;
    }
    if (!length)
        return framed_message{framed_message::kind::bad_header, "the header has no Content-Length"};
    if (*length > most_bytes_) {
        size_t held = std::min(*length, buffer_.size() - start_);
        start_ += held;
        skipping_ = *length - held;
        return framed_message{framed_message::kind::too_large,
                              "a message of " + std::to_string(*length) +
                                  " bytes is larger than the " + std::to_string(most_bytes_ >> 20) +
                                  " MiB the server reads"};
    }
    body_length_ = length;
    return std::nullopt;
}

std::optional<framed_message> message_framer::take() {
    if (!body_length_) {
        size_t header_end = buffer_.find("\r\n\r\n", start_);
        if (header_end == std::string::npos) {
            if (buffer_.size() - start_ <= most_header_bytes) return std::nullopt;
            start_ = buffer_.size();
            return framed_message{framed_message::kind::bad_header,
                                  "a header longer than " + std::to_string(most_header_bytes) +
                                      " bytes without its empty line"};
        }
        if (auto problem = read_header(header_end)) return problem;
    }
    if (buffer_.size() - start_ < *body_length_) return std::nullopt;
    framed_message m{framed_message::kind::message, buffer_.substr(start_, *body_length_)};
    start_ += *body_length_;
    body_length_.reset();
    return m;
}

} // namespace tovl::lsp
