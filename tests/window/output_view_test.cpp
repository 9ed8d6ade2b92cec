// The output view on its own: selecting with mouse and keys, copying, the memory a printed
// character costs in the window, and line starts past 4 Gi characters.
#include "host/line_index.h"
#include "host/main_window.h"
#include "host/output_view.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QMouseEvent>

#include <fstream>

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
    text output = u"first line\r\nsecond\rthird";
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

// 1,000,000 printed lines of "line" and CR LF: 6,000,000 characters, 12 MB of text and 4 MB of
// line starts. A widget that keeps a structure for each line costs hundreds of MB.
TEST(output_view, a_million_printed_lines_cost_little_more_than_their_text) {
    main_window window;
    window.show();
    window.refresh_output();
    window.output_box()->repaint();
    size_t before = resident_bytes();
    for (int i = 0; i < 1000000; ++i)
        window.append_output(u"line\r\n");
    window.move_caret_to_end();
    window.refresh_output();
    window.output_box()->repaint();
    EXPECT_EQ(window.output_box()->line_count(), 1000001u);
    EXPECT_LT(resident_bytes() - before, size_t(20) << 20);
}

TEST(line_index, finds_lines_past_four_gibi_characters) {
    // Each block of 2^20 characters ends with a CR whose LF starts the next block, so that the
    // pair at 2^32 - 1 straddles the point where offsets outgrow 32 bits.
    constexpr size_t block = size_t(1) << 20, blocks = 4097;
    text chunk(block, u'x');
    chunk.front() = u'\n';
    chunk.back() = u'\r';
    line_index lines;
    for (size_t i = 0; i < blocks; ++i)
        lines.add(chunk);
    ASSERT_EQ(lines.count(), blocks + 2);
    EXPECT_EQ(lines.start(1), 1u);
    for (size_t line = 2; line <= blocks; ++line)
        ASSERT_EQ(lines.start(line), (line - 1) * block + 1) << line;
    EXPECT_EQ(lines.start(blocks + 1), blocks * block);
    EXPECT_EQ(lines.line_of(size_t(1) << 32), 4096u);
    EXPECT_EQ(lines.line_of((size_t(1) << 32) + 1), 4097u);
}
