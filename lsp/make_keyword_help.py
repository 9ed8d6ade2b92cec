#!/usr/bin/env python3
"""Makes the language server's keyword help from the language guide, so that the guide stays
the one place where a keyword is described.

usage: make_keyword_help.py GUIDE.md KEYWORDS.def OUTPUT.cpp

For each keyword of KEYWORDS.def, in its order, it takes from GUIDE.md the keyword's row of the
reference table (its Operands and Does cells), the first paragraph of its `### name` section
(the synopsis) and the first ```tovl example of that section, and writes them as the table
behind lsp/keyword_help.h. A keyword without a row, a section, a synopsis or an example stops
the build with a message that names it.
"""
import re
import sys

ROW = re.compile(r"^\|\s*\[`(\w+)`\]\(#\1\)\s*\|([^|]*)\|(.*)\|\s*$", re.M)
HEADING = re.compile(r"^#{1,3} ", re.M)
EXAMPLE = re.compile(r"^```tovl\b.*\n((?:(?!```).*\n)*?)```$", re.M)


def sections(guide):
    """The body of each `### name` heading whose whole title is one word."""
    found = {}
    starts = [m.start() for m in HEADING.finditer(guide)] + [len(guide)]
    for start, end in zip(starts, starts[1:]):
        title, _, body = guide[start:end].partition("\n")
        words = title.split()
        if words[0] == "###" and len(words) == 2:
            found[words[1]] = body
    return found


def help_of(name, rows, bodies):
    """The four texts of one keyword, or the reason the guide lacks them."""
    if name not in rows:
        raise LookupError(f"no row of the keyword table names {name}")
    if name not in bodies:
        raise LookupError(f"no '### {name}' section")
    body = bodies[name].strip()
    synopsis = " ".join(body.split("\n\n")[0].split())
    example = EXAMPLE.search(body)
    if not synopsis or synopsis.startswith("```"):
        raise LookupError(f"the '### {name}' section starts with no synopsis")
    if not example:
        raise LookupError(f"the '### {name}' section has no ```tovl example")
    operands, does = rows[name]
    return [name, operands.strip(), does.strip(), synopsis, example[1]]


def literal(value):
    """A C++ string literal of the UTF-8 bytes of `value`; octal escapes, which end after three
    digits, keep any digit that follows apart."""
    out = []
    for byte in value.encode():
        char = chr(byte)
        if char in '"\\':
            out.append("\\" + char)
        elif char == "\n":
            out.append("\\n")
        elif 0x20 <= byte < 0x7F:
            out.append(char)
        else:
            out.append(f"\\{byte:03o}")
    return '"' + "".join(out) + '"'


def main():
    if len(sys.argv) != 4:
        raise SystemExit(__doc__)
    guide_path, keywords_path, output_path = sys.argv[1:]
    with open(guide_path, encoding="utf-8") as f:
        guide = f.read()
    with open(keywords_path, encoding="utf-8") as f:
        names = re.findall(r"^TOVL_KEYWORD\((\w+),", f.read(), re.M)
    if not names:
        raise SystemExit(f"{keywords_path}: no TOVL_KEYWORD rows found")
    rows = {m[1]: (m[2], m[3]) for m in ROW.finditer(guide)}
    bodies = sections(guide)
    helps, problems = [], []
    for name in names:
        try:
            helps.append(help_of(name, rows, bodies))
        except LookupError as e:
            problems.append(f"{guide_path}: keyword {name} of {keywords_path}: {e}")
    if problems:
        raise SystemExit("\n".join(problems))
    entries = "\n".join("    {" + ",\n     ".join(map(literal, h)) + "}," for h in helps)
    with open(output_path, "w", encoding="utf-8") as f:
        f.write(f"""// The keyword help of the language server, made by lsp/make_keyword_help.py from
// {guide_path.split('/')[-1]} when the server is built: edit the guide, not this file.
#include "lsp/keyword_help.h"

#include <algorithm>
#include <array>

namespace tovl::lsp {{

namespace {{

constexpr std::array<keyword_help, {len(helps)}> helps{{{{
{entries}
}}}};

static_assert(helps.size() == keyword_count, "one help for each keyword");

// Each help stands at its keyword's place in the keyword enum.
constexpr bool in_keyword_order() {{
    for (size_t i = 0; i < keyword_count; ++i) {{
        text_view name = keyword_rows[i].name;
        if (!std::equal(name.begin(), name.end(), helps[i].name.begin(), helps[i].name.end()))
            return false;
    }}
    return true;
}}
static_assert(in_keyword_order(), "the helps are not in the order of interp/keywords.def");

}} // namespace

const keyword_help& help_of(keyword k) {{
    return helps[static_cast<size_t>(k)];
}}

}} // namespace tovl::lsp
""")


main()
