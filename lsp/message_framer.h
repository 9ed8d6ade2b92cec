// The protocol's framing: each message is a header ("Content-Length: N", other fields ignored,
// each line ended by CR LF, then an empty line) and N bytes of JSON. Bytes are fed as they come;
// whole messages, and headers that make no sense, are taken out one by one.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace tovl::lsp {

struct framed_message {
    enum class kind {
        message,    // `content` is the body
        bad_header, // `content` says what is wrong with the header, which is dropped
        too_large,  // `content` says how large; the body is dropped as it comes
    };
    kind what;
    std::string content;
};

class message_framer {
  public:
    // The largest body kept, and the longest header.
    static constexpr size_t default_most_bytes = size_t(64) << 20;
    static constexpr size_t most_header_bytes = 8192;

    explicit message_framer(size_t most_bytes = default_most_bytes) : most_bytes_(most_bytes) {}

    void feed(std::string_view bytes);

    // The next message or problem, or nothing until more bytes come.
    std::optional<framed_message> take();

    // True when fed bytes wait that are not yet a whole message.
    bool holds_bytes() const { return start_ < buffer_.size() || skipping_ > 0; }

  private:
    std::optional<framed_message> read_header(size_t header_end);

    size_t most_bytes_;
    std::string buffer_;
    size_t start_ = 0;                  // where the unread bytes begin in buffer_
    std::optional<size_t> body_length_; // set once a header is read, until its body is
    size_t skipping_ = 0;               // bytes of an oversized body still to drop
};

} // namespace tovl::lsp
