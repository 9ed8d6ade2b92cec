// memory_files_check: checks that the fuzz target's in-memory file system behaves as the file
// commands expect of a real one. Prints each failed check; exits 1 when any failed.
#include "fuzz/memory_files.h"
#include "interp/name_pattern.h"
#include "interp/run_error.h"

#include <cstdio>
#include <optional>
#include <string>

namespace {

using namespace tovl;
using fuzz::memory_files;

int failures = 0;

#define CHECK(condition)                                                                           \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "memory_files_check:%d: failed: %s\n", __LINE__, #condition);     \
            ++failures;                                                                            \
        }                                                                                          \
    } while (0)

// The kind of run-time error the steps raise, or nothing when they raise none.
template <typename Steps> std::optional<error_kind> error_of(Steps steps) {
    try {
        steps();
    } catch (const run_error& error) {
        return error.kind();
    }
    return std::nullopt;
}

void save(memory_files& files, text_view name, text_view content) {
    files.open(1, name, file_mode::output);
    files.write(1, content);
    files.close(1);
}

// Every line of a file, each followed by "|".
text lines_of(memory_files& files, text_view name) {
    compact_text all;
    files.open(2, name, file_mode::input);
    while (!files.at_end(2)) {
        files.append_line(2, all);
        all.append(u"|");
    }
    files.close(2);
    return widened(all.chars());
}

void check_lines() {
    memory_files files(text_encoding::windows_1252);
    save(files, u"a.txt", u"one\rtwo\r\nthree\nfour\r\n");
    CHECK(lines_of(files, u"a.txt") == u"one|two|three\nfour|");
    save(files, u"b.txt", u"x\r\ny");
    CHECK(lines_of(files, u"b.txt") == u"x|y|");
    save(files, u"empty.txt", u"");
    CHECK(lines_of(files, u"empty.txt") == u"");
    // Code-page bytes: one byte per character, and '?' for a character outside the code page.
    save(files, u"c.txt", u"\u00e9\u20ac\u4e00");
    CHECK(files.find("c.txt") && *files.find("c.txt") == "\xe9\x80?");
    CHECK(lines_of(files, u"c.txt") == u"\u00e9\u20ac?|");
    CHECK(lines_of(files, u"/etc/readonly.txt") == u"locked|second\nhalf||last line, no end|");
    files.open(3, u"a.txt", file_mode::input);
    CHECK(files.length(3) == 21);
    files.close(3);
}

void check_open() {
    memory_files files(text_encoding::windows_1252);
    CHECK(error_of([&] { files.open(1, u"missing.txt", file_mode::input); }) ==
          error_kind::file_not_found);
    CHECK(error_of([&] { files.open(1, u"nowhere/a.txt", file_mode::input); }) ==
          error_kind::path_not_found);
    CHECK(error_of([&] { files.open(1, u"nowhere/a.txt", file_mode::output); }) ==
          error_kind::path_not_found);
    CHECK(error_of([&] { files.open(1, u"sub", file_mode::input); }) ==
          error_kind::path_file_access);
    CHECK(error_of([&] { files.open(1, u"sub/", file_mode::output); }) ==
          error_kind::path_file_access);
    CHECK(error_of([&] { files.open(1, text(u"a\0b", 3), file_mode::output); }) ==
          error_kind::bad_file_name);
    CHECK(error_of([&] { files.open(1, text(256, u'n'), file_mode::output); }) ==
          error_kind::bad_file_name);
    CHECK(error_of([&] { files.open(0, u"a.txt", file_mode::output); }) ==
          error_kind::bad_file_name);
    CHECK(error_of([&] { files.open(256, u"a.txt", file_mode::output); }) ==
          error_kind::bad_file_name);
    CHECK(error_of([&] { files.close(1); }) == error_kind::bad_file_name);
    CHECK(files.open_count() == 0);

    // A number in use: refused before any file is touched.
    save(files, u"keep.txt", u"kept");
    files.open(1, u"a.txt", file_mode::output);
    CHECK(error_of([&] { files.open(1, u"keep.txt", file_mode::output); }) ==
          error_kind::file_already_open);
    CHECK(error_of([&] { files.open(1, u"new.txt", file_mode::output); }) ==
          error_kind::file_already_open);
    CHECK(files.find("new.txt") == nullptr);
    CHECK(files.find("keep.txt") && *files.find("keep.txt") == "kept");
    files.close(1);

    // Output empties an existing file; "./" is the current folder.
    files.open(1, u"./keep.txt", file_mode::output);
    CHECK(files.find("keep.txt") && files.find("keep.txt")->empty());
    CHECK(files.at_end(1));
    CHECK(error_of([&] {
              compact_text t;
              files.append_line(1, t);
          }) == error_kind::path_file_access);
    files.close(1);
    files.open(1, u"keep.txt", file_mode::input);
    CHECK(error_of([&] { files.write(1, u"x"); }) == error_kind::path_file_access);
    files.close(1);

    CHECK(error_of([&] { files.open(1, u"/etc/readonly.txt", file_mode::output); }) ==
          error_kind::permission_denied);
    CHECK(error_of([&] { files.open(1, u"/etc.txt", file_mode::output); }) ==
          error_kind::permission_denied);
    CHECK(files.open_count() == 0);
}

void check_devices() {
    memory_files files(text_encoding::windows_1252);
    CHECK(error_of([&] { files.open(1, u"/dev/zero", file_mode::input); }) ==
          error_kind::path_file_access);
    save(files, u"/dev/null", u"dropped");
    files.open(1, u"/dev/full", file_mode::output);
    files.write(1, u"x");
    CHECK(error_of([&] { files.close(1); }) == error_kind::disk_full);
    CHECK(files.open_count() == 0);
    // A full buffer is written out at once.
    files.open(1, u"/dev/full", file_mode::output);
    CHECK(error_of([&] { files.write(1, text(memory_files::write_buffer_bytes, u'z')); }) ==
          error_kind::disk_full);
    CHECK(error_of([&] { files.close(1); }) == std::nullopt);
    CHECK(files.file_count() == 1);
}

void check_caps() {
    memory_files files(text_encoding::windows_1252);
    files.open(1, u"big.txt", file_mode::output);
    files.write(1, text(memory_files::max_file_bytes - 1, u'b'));
    CHECK(error_of([&] { files.write(1, u"bb"); }) == error_kind::disk_full);
    CHECK(error_of([&] { files.write(1, u"b"); }) == std::nullopt);
    files.close(1);
    for (size_t i = files.file_count(); i < memory_files::max_files; ++i) {
        save(files, u"f" + text(i, u'x'), u"");
    }
    CHECK(files.file_count() == memory_files::max_files);
    CHECK(error_of([&] { files.open(1, u"one_more.txt", file_mode::output); }) ==
          error_kind::disk_full);
    CHECK(error_of([&] { files.copy(u"big.txt", u"one_more.txt"); }) != std::nullopt);
    CHECK(files.open_count() == 0);
}

void check_delete() {
    memory_files files(text_encoding::windows_1252);
    for (const char16_t* name : {u"a.txt", u"b.txt", u"c.log", u"sub/d.txt", u"/tmp/e.txt"}) {
        save(files, name, u"x");
    }
    files.delete_matching(u"*.txt");
    CHECK(!files.find("a.txt") && !files.find("b.txt"));
    CHECK(files.find("c.log") && files.find("sub/d.txt"));
    save(files, u"a.txt", u"x");
    CHECK(error_of([&] { files.delete_matching(u"*.txt"); }) == std::nullopt);
    CHECK(error_of([&] { files.delete_matching(u"*.txt"); }) == error_kind::file_not_found);
    files.delete_matching(u"sub/?.txt");
    CHECK(!files.find("sub/d.txt"));
    CHECK(error_of([&] { files.delete_matching(u"/tmp/e.txt"); }) == std::nullopt);
    CHECK(error_of([&] { files.delete_matching(u"nowhere/*"); }) == error_kind::path_not_found);
    CHECK(error_of([&] { files.delete_matching(u""); }) == error_kind::file_not_found);
    CHECK(error_of([&] { files.delete_matching(u"sub/"); }) == error_kind::file_not_found);
    CHECK(error_of([&] { files.delete_matching(u"/dev/null"); }) == error_kind::file_not_found);
    CHECK(error_of([&] { files.delete_matching(u"c.lo?"); }) == std::nullopt);

    // A file deleted while open is still read to its end.
    save(files, u"open.txt", u"still\r\nhere");
    files.open(2, u"open.txt", file_mode::input);
    files.delete_matching(u"open.txt");
    compact_text line;
    files.append_line(2, line);
    files.append_line(2, line);
    CHECK(line.chars() == u"stillhere" && files.at_end(2));
    files.close(2);
}

void check_read_only() {
    memory_files files(text_encoding::windows_1252);
    CHECK(error_of([&] { files.delete_matching(u"/etc/readonly.txt"); }) ==
          error_kind::permission_denied);
    CHECK(error_of([&] { files.delete_matching(u"/etc/*"); }) == error_kind::permission_denied);
    CHECK(error_of([&] { files.open(1, u"/etc/new.txt", file_mode::output); }) ==
          error_kind::permission_denied);
    CHECK(error_of([&] { files.copy(u"/etc/readonly.txt", u"/etc/copy.txt"); }) != std::nullopt);
    CHECK(files.find("/etc/readonly.txt") != nullptr);
}

void check_copy() {
    memory_files files(text_encoding::windows_1252);
    save(files, u"a.txt", u"bytes\r\n");
    CHECK(error_of([&] { files.copy(u"a.txt", u"sub/b.txt"); }) == std::nullopt);
    CHECK(files.find("sub/b.txt") && *files.find("sub/b.txt") == "bytes\r\n");
    CHECK(error_of([&] { files.copy(u"/etc/readonly.txt", u"c.txt"); }) == std::nullopt);
    CHECK(error_of([&] { files.copy(u"a.txt", u"./a.txt"); }) == std::nullopt);
    CHECK(files.find("a.txt") && *files.find("a.txt") == "bytes\r\n");
    CHECK(error_of([&] { files.copy(u"missing.txt", u"d.txt"); }) == error_kind::file_not_found);
    CHECK(error_of([&] { files.copy(u"a.txt", u"nowhere/d.txt"); }) != std::nullopt);
    CHECK(error_of([&] { files.copy(u"a.txt", u"/etc/readonly.txt"); }) != std::nullopt);
    CHECK(error_of([&] { files.copy(u"a.txt", u"sub"); }) != std::nullopt);
    CHECK(error_of([&] { files.copy(u"a.txt", u"/dev/null"); }) != std::nullopt);
    CHECK(error_of([&] { files.copy(u"/dev/zero", u"d.txt"); }) != std::nullopt);
    CHECK(error_of([&] { files.copy(u"", u"d.txt"); }) != std::nullopt);
    CHECK(error_of([&] { files.copy(u"a.txt", u""); }) != std::nullopt);
    CHECK(files.find("d.txt") == nullptr);
    // A copy replaces the destination as a new file: a reader of the old one keeps its bytes.
    save(files, u"old.txt", u"old");
    files.open(2, u"old.txt", file_mode::input);
    CHECK(error_of([&] { files.copy(u"a.txt", u"old.txt"); }) == std::nullopt);
    compact_text line;
    files.append_line(2, line);
    CHECK(line.chars() == u"old");
    files.close(2);
}

void check_wildcards() {
    CHECK(name_matches("*", "", false));
    CHECK(!name_matches("*.txt", ".txt", false));
    CHECK(!name_matches("?bashrc", ".bashrc", false));
    CHECK(name_matches(".*", ".bashrc", false));
    CHECK(name_matches("a*b*c", "aXbYbZc", false));
    CHECK(!name_matches("a*b*c", "aXbYbZ", false));
    CHECK(name_matches("??", "ab", false));
    CHECK(!name_matches("??", "a", false));
    CHECK(!name_matches("?", "", false));
    CHECK(name_matches("a**", "a", false));
}

} // namespace

int main() {
    check_lines();
    check_open();
    check_devices();
    check_caps();
    check_delete();
    check_read_only();
    check_copy();
    check_wildcards();
    if (failures) return 1;
    std::puts("memory_files_check: all checks passed");
    return 0;
}
