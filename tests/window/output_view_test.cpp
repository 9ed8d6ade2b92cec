// The output view on its own: selecting with mouse and keys, copying, the memory a printed
// character costs in the window, and the output kept on disk and saved.
#include "host/main_window.h"
#include "host/output_view.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTemporaryDir>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sys/resource.h>

using namespace tovl;

namespace {

void press_keys(QWidget* widget, std::initializer_list<QKeyCombination> keys) {
    for (QKeyCombination key : keys) {
        QKeyEvent press(QEvent::KeyPress, key.key(), key.keyboardModifiers());
        QApplication::sendEvent(widget, &press);
    }
}

void mouse(QWidget* viewport, QEvent::Type type, QPoint at, Qt::KeyboardModifiers modifiers = {}) {
    Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, at, viewport->mapToGlobal(at), Qt::LeftButton, held, modifiers);
    QApplication::sendEvent(viewport, &event);
}

size_t resident_bytes() {
    size_t pages = 0, resident = 0;
    std::ifstream("/proc/self/statm") >> pages >> resident;
    return resident * 4096;
}

} // namespace

TEST(output_view, selects_with_mouse_and_keys_and_copies_lines_separated_by_lf) {
    output_store output;
    output.append(u"first line\r\nsecond\rthird");
    output_view view(output, nullptr);
    view.resize(300, 200);
    view.show();
    view.take_output();
    // From the start of the first line to after "sec" in the second; shift-click to "thi".
    QFontMetrics metrics = view.fontMetrics();
    int row = metrics.height();
    QPoint sec(4 + metrics.horizontalAdvance("sec"), 4 + row * 3 / 2);
    mouse(view.viewport(), QEvent::MouseButtonPress, {4, 4 + row / 2});
    mouse(view.viewport(), QEvent::MouseMove, sec);
    mouse(view.viewport(), QEvent::MouseButtonRelease, sec);
    EXPECT_EQ(view.selected_text(), "first line\nsec");
    press_keys(&view, {Qt::CTRL | Qt::Key_C});
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "first line\nsec");
    QPoint third(4 + metrics.horizontalAdvance("thi"), 4 + row * 5 / 2);
    mouse(view.viewport(), QEvent::MouseButtonPress, third, Qt::ShiftModifier);
    mouse(view.viewport(), QEvent::MouseButtonRelease, third, Qt::ShiftModifier);
    EXPECT_EQ(view.selected_text(), "first line\nsecond\nthi");

    press_keys(&view, {Qt::CTRL | Qt::Key_End, Qt::SHIFT | Qt::Key_Up, Qt::SHIFT | Qt::Key_Home});
    EXPECT_EQ(view.selected_text(), "second\nthird");
    press_keys(&view, {Qt::Key_Left, Qt::SHIFT | Qt::Key_Left, Qt::SHIFT | Qt::Key_Left});
    EXPECT_EQ(view.selected_text(), "e\n");
    press_keys(&view, {Qt::CTRL | Qt::Key_A, Qt::CTRL | Qt::Key_C});
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "first line\nsecond\nthird");
}

// 1,000,000 printed lines of "line" or "café" and CR LF, one of them an emoji: 6,000,000
// characters, which a byte each take 6 MB, and their line starts little more than a byte each.
// Text of 16-bit characters would take 12 MB, starts of 4 bytes 4 MB, and a widget that keeps a
// structure for each line hundreds of MB.
TEST(output_view, a_million_printed_lines_cost_little_more_than_their_text) {
    main_window window;
    window.show();
    window.refresh_output();
    window.output_box()->repaint();
    size_t before = resident_bytes();
    for (int i = 0; i < 1000000; ++i)
        window.append_output(i == 500000 ? u"\U0001F600\r\n"
                             : i % 1000  ? u"line\r\n"
                                         : u"caf\u00E9\r\n");
    window.move_caret_to_end();
    window.refresh_output();
    window.output_box()->repaint();
    EXPECT_EQ(window.output_box()->line_count(), 1000001u);
    EXPECT_LT(resident_bytes() - before, size_t(9) << 20);
}

// Beyond its bound in memory the output goes to a file that no folder lists, in the runtime
// folder, and the view reads it back: every line shows, caret and view at its end, and a
// save writes all of it as UTF-8 exactly as printed, line ends, a pair of surrogates and a byte
// that is no UTF-8 included.
TEST(output_view, shows_and_saves_the_output_kept_on_disk) {
    QTemporaryDir runtime;
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    main_window window(64 << 10);
    window.show();
    std::string printed;
    QString shown;
    for (int i = 0; i < 20000; ++i) {
        std::string line = std::to_string(i) + (i % 1000 ? " ab" : " \xC3\xA9\xF0\x9F\x98\x80");
        printed += line + "\r\n";
        shown += QString::fromStdString(line) + u'\n';
        QString chars = QString::fromStdString(line + "\r\n");
        window.append_output(text(reinterpret_cast<const char16_t*>(chars.utf16()), chars.size()));
    }
    window.append_output(u"\xDCFF\r");
    printed += "\xFF\r";
    shown += u"\uFFFD\n";
    window.refresh_output();
    EXPECT_LE(window.output().memory_bytes(), size_t(64) << 10);
    output_view* box = window.output_box();
    EXPECT_EQ(box->caret(), window.output().size());
    EXPECT_TRUE(box->shows_end());
    QString all = box->shown_text();
    all.replace(QChar(0xDCFF), QChar(0xFFFD));
    EXPECT_EQ(all, shown);
    EXPECT_EQ(
        QDir(runtime.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
        QStringList());
    QString saved = runtime.filePath("saved.txt");
    EXPECT_EQ(box->save_to(saved), "");
    std::ifstream file(saved.toStdString(), std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(file), {}), printed);
    int in_runtime = 0;
    for (const auto& fd : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::string target = std::filesystem::read_symlink(fd).string();
        in_runtime +=
            target.starts_with(runtime.path().toStdString()) && target.ends_with(" (deleted)");
    }
    EXPECT_GT(in_runtime, 0);
}

// A file size limit fails writes as a full disk does: the oldest output goes, the output says
// so, and what is kept reads back as whole lines, the newest last.
TEST(output_view, a_full_disk_drops_the_oldest_output_and_says_so) {
    auto numbered = [](size_t i) {
        text line = u"line ";
        append_ascii(line, std::to_string(i));
        return line;
    };
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit small{256 << 10, old.rlim_max};
    setrlimit(RLIMIT_FSIZE, &small);
    output_store output(16 << 10);
    for (size_t i = 0; i < 100000; ++i)
        output.append(numbered(i) + u"\r\n");
    setrlimit(RLIMIT_FSIZE, &old);
    EXPECT_LE(output.memory_bytes(), size_t(16) << 10);
    ASSERT_GT(output.kept_from(), 0u);
    // The first line kept may have lost its start.
    std::vector<text> kept;
    int notices = 0;
    for (size_t line = output.first_line() + 1; line + 1 < output.line_count(); ++line) {
        text shown = output.read(output.line_start(line), output.line_end(line));
        if (shown == u"[older output dropped: the disk is full]") {
            ++notices;
        } else {
            kept.push_back(shown);
        }
    }
    EXPECT_GT(notices, 0);
    ASSERT_GT(kept.size(), 100u);
    size_t first = 100000 - kept.size();
    for (size_t i = 0; i < kept.size(); ++i)
        ASSERT_EQ(kept[i], numbered(first + i)) << i;
}
