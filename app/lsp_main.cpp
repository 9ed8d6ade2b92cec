// tovl-lsp: the language server for editors, speaking the Language Server Protocol on standard
// input and output.
#include "app/startup.h"
#include "commands/commands.h"
#include "lsp/language_server.h"
#include "lsp/message_framer.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include <poll.h>
#include <unistd.h>

namespace {

const char usage[] = "usage: tovl-lsp [--stdio]\n"
                     "       tovl-lsp -h | --help | --version\n";

const char help[] =
    "Speaks the Language Server Protocol on standard input and output, for an editor to\n"
    "start: it shows what tovl-console --check finds in a TOVL script as it is typed, the\n"
    "operand fields, where each jump lands, and offers fixes. No script's commands run.\n"
    "\n"
    "options:\n"
    "  --stdio              talk on standard input and output (the only way; accepted for\n"
    "                       the editors that pass it)\n"
    "  -h, --help           show this help and exit\n"
    "  --version            show the version and exit\n";

bool write_all(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t n = write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        bytes.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

// True when standard input has bytes (or its end) to read now.
bool input_waiting() {
    pollfd in{STDIN_FILENO, POLLIN, 0};
    return poll(&in, 1, 0) > 0;
}

} // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        if (arg == "-h" || arg == "--help") {
            std::fputs(usage, stdout);
            std::fputs("\n", stdout);
            std::fputs(help, stdout);
            return 0;
        }
        if (arg == "--version") {
            std::printf("tovl-lsp %s\n", TOVL_VERSION);
            return 0;
        }
        if (arg != "--stdio") {
            std::fprintf(stderr, "tovl-lsp: unknown option '%s'\n%s", argv[i], usage);
            return 2;
        }
    }
    // A client that goes away makes a write fail, not a signal end the server.
    std::signal(SIGPIPE, SIG_IGN);
    // The checker's trial holds its texts within the runners' default budget, a quarter of the
    // memory: a script that grows its texts in a loop ends its trial, not the editor's memory.
    tovl::set_memory_budget(tovl::command_line{});

    bool client_gone = false;
    tovl::lsp::language_server server(&tovl::commands::every_command(), [&](const auto& message) {
        std::string body = message.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
        std::string framed = "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
        if (!write_all(STDOUT_FILENO, framed)) client_gone = true;
    });
    tovl::lsp::message_framer framer;
    char block[65536];
    while (!client_gone) {
        while (auto message = framer.take()) {
            server.receive(*message);
            if (server.exit_requested()) return server.exit_status();
        }
        if (server.has_idle_work() && !input_waiting()) {
            server.do_idle_work(input_waiting);
            continue;
        }
        ssize_t n = read(STDIN_FILENO, block, sizeof block);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        framer.feed(std::string_view(block, static_cast<size_t>(n)));
    }
    // The client closed its end without "exit".
    return 1;
}
