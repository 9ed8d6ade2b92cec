// tovl_lsp_fuzz: the language server fed a client's stream of messages, framed or not.
//
// An input is a series of pieces separated by a line "--". A piece starting with "!" goes to
// the server as raw bytes (a header, a broken frame, anything); any other piece is framed with
// its true Content-Length, so that the fuzzer reaches the requests themselves with JSON it
// mutates. Every answer is serialised as the executable does. The checker's trial is left
// out: tovl_fuzz covers it, and it would spend the budget of an input on a script's loop.
#include "lsp/language_server.h"
#include "lsp/message_framer.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view input(reinterpret_cast<const char*>(data), size);
    tovl::lsp::language_server server(nullptr, [](const tovl::lsp::json& message) {
        std::string body = message.dump(-1, ' ', false, tovl::lsp::json::error_handler_t::replace);
        volatile size_t length = body.size();
        (void)length;
    });
    // A small limit, so that the oversized path is reached with small inputs.
    tovl::lsp::message_framer framer(4096);
    while (!server.exit_requested()) {
        size_t end = input.find("\n--\n");
        std::string_view piece = input.substr(0, end);
        if (!piece.empty() && piece[0] == '!')
            framer.feed(piece.substr(1));
        else
            framer.feed("Content-Length: " + std::to_string(piece.size()) + "\r\n\r\n" +
                        std::string(piece));
        while (auto message = framer.take())
            server.receive(*message);
        if (end == std::string_view::npos) break;
        input.remove_prefix(end + 4);
    }
    return 0;
}
