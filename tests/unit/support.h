// What the unit tests share: a host and services in memory, a run of a script, a temp folder.
#pragma once

#include "commands/commands.h"
#include "interp/interpreter.h"
#include "platform/clock_random.h"
#include "platform/linux_files.h"
#include "platform/linux_system.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace tovl {

// The kind of run-time error `action` raises; fails the test when it raises none.
template <typename Action> error_kind error_of(Action action) {
    try {
        action();
    } catch (const run_error& error) {
        return error.kind();
    }
    ADD_FAILURE() << "no run-time error";
    return error_kind::invalid_argument;
}

struct test_host : script_host {
    text output;

    void append_output(text_ref more) override { append_chars(output, more); }
    void move_caret_to_end() override {}
    void set_caption(const text&) override {}
    void show_message(const text&) override {}
    text ask(const text&) override { return {}; }
};

// One interpreter with its services, kept across runs as start-up keeps it.
struct script_run {
    test_host host;
    linux_system system{text_encoding::utf8}; // the runner tests launch nothing
    linux_files files{text_encoding::utf8};
    clock_random random;
    interpreter interp{run_services{host, system, files, random}, commands::every_command()};
    int fallbacks = 0;

    run_outcome run(text_view script) {
        return interp.run_with_fallback(script, [this](const run_error&) { ++fallbacks; });
    }
};

inline void write_bytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

inline std::string read_bytes(const std::string& path) {
    std::stringstream content;
    content << std::ifstream(path, std::ios::binary).rdbuf();
    return content.str();
}

// A fresh folder under /tmp, removed with everything in it at the end of the test.
struct temp_folder {
    std::string path;
    temp_folder() {
        char pattern[] = "/tmp/tovl-test-XXXXXX";
        path = ::mkdtemp(pattern);
    }
    ~temp_folder() { std::filesystem::remove_all(path); }
    std::string operator/(const std::string& name) const { return path + "/" + name; }
};

} // namespace tovl
