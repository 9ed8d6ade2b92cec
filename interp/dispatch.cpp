// The line filter and the dispatcher: the skip gate and the keyword table.
#include "interp/interpreter.h"

#include <cstdint>
#include <iterator>

namespace tovl {

namespace {

// A five-character head packed into one integer, so that each keyword test is one comparison.
// Heads with a character outside ASCII match no keyword and pack to 0.
constexpr uint64_t packhead(textview head) {
    if (head.size() != 5) return 0;
    uint64_t key = 0;
    for (char16_t c : head) {
        if (c == 0 || c > 0x7F) return 0;
        key = key << 8 | c;
    }
    return key;
}

constexpr uint64_t operator""_kw(const char16_t* s, size_t n) {
    return packhead(textview(s, n));
}

} // namespace

// The keywords in the order they are tested; "endif" is handled before the skip gate.
const std::array<interpreter::keyword, 22> interpreter::keywords = {{
    {u"fendp"_kw, &interpreter::cmdfendp}, {u"fsetv"_kw, &interpreter::cmdfsetv},
    {u"finpt"_kw, &interpreter::cmdfinpt}, {u"fprnt"_kw, &interpreter::cmdfprnt},
    {u"fnewl"_kw, &interpreter::cmdfnewl}, {u"fifvr"_kw, &interpreter::cmdfifvr},
    {u"fmath"_kw, &interpreter::cmdfmath}, {u"fmsgb"_kw, &interpreter::cmdfmsgb},
    {u"fappd"_kw, &interpreter::cmdfappd}, {u"ftitl"_kw, &interpreter::cmdftitl},
    {u"ftxtd"_kw, &interpreter::cmdftxtd}, {u"frexe"_kw, &interpreter::cmdfrexe},
    {u"fnumv"_kw, &interpreter::cmdfnumv}, {u"fcopy"_kw, &interpreter::cmdfcopy},
    {u"fgoto"_kw, &interpreter::cmdfgoto}, {u"frand"_kw, &interpreter::cmdfrand},
    {u"scdrm"_kw, &interpreter::cmdscdrm}, {u"sshdn"_kw, &interpreter::cmdsshdn},
    {u"ssave"_kw, &interpreter::cmdssave}, {u"sload"_kw, &interpreter::cmdsload},
    {u"sdele"_kw, &interpreter::cmdsdele}, {u"scopy"_kw, &interpreter::cmdscopy},
}};

// Only lines starting with a character that can begin a keyword or a comment go on; a line
// that is a lone comment mark is dropped too.
void interpreter::checkline(textview line) {
    if (line.empty()) return;
    char16_t first = line[0];
    if (first != u'f' && first != u'e' && first != u'\'' && first != u's') return;
    if (line.size() == 1 && first == u'\'') return;
    docommand(line);
}

namespace {

constexpr int nokeyword = -1;
constexpr int endifkeyword = -3;

} // namespace

// The keyword a line's head names: an index into the table, endifkeyword or nokeyword.
int interpreter::findkeyword(textview line) {
    uint64_t head = packhead(line.substr(0, 5));
    if (head == 0) return nokeyword;
    if (head == u"endif"_kw) return endifkeyword;
    for (size_t i = 0; i < std::size(keywords); ++i) {
        if (keywords[i].head == head) return static_cast<int>(i);
    }
    return nokeyword;
}

void interpreter::docommand(textview line) {
    int k = current ? current->keyword : linecache::unresolved;
    if (k == linecache::unresolved) {
        k = findkeyword(line);
        if (current) current->keyword = k;
    }
    if (k == endifkeyword) skipping = false;
    if (skipping || k < 0) return;
    (this->*keywords[k].run)(line);
}

} // namespace tovl
