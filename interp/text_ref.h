// text_ref: a view of a text in either of its two forms, one byte or two bytes a character.
#pragma once

#include "interp/text.h"

#include <concepts>
#include <cstdint>
#include <string_view>

namespace tovl {

// The compact form of a text whose characters all lie in U+0000..U+00FF: one byte a character,
// the byte being the character's number. char8_t for its unsigned comparisons; these bytes are
// characters, not UTF-8.
using narrow_char = char8_t;
using narrow_view = std::basic_string_view<narrow_char>;
using narrow_text =
    std::basic_string<narrow_char, std::char_traits<narrow_char>, budget_allocator<narrow_char>>;

// The characters of a narrow view as the bytes they are.
inline std::string_view as_bytes(narrow_view chars) {
    return {reinterpret_cast<const char*>(chars.data()), chars.size()};
}

// True when every character of `chars` fits in one byte.
bool fits_narrow(text_view chars);

// A read-only view of characters held in either form. A text that is kept narrow is read as
// it is, without widening; the operations that need a form take it through visit().
class text_ref {
  public:
    constexpr text_ref() = default;
    // Views of either form convert implicitly, so that any text can be passed where a
    // text_ref is taken.
    // NOLINTBEGIN(google-explicit-constructor)
    constexpr text_ref(text_view wide) noexcept : data_(wide.data()), size_and_form_(wide.size()) {}
    constexpr text_ref(narrow_view narrow) noexcept
        : data_(narrow.data()), size_and_form_(narrow.size() | narrow_form) {}
    text_ref(const text& wide) noexcept : text_ref(text_view(wide)) {}
    text_ref(const narrow_text& narrow) noexcept : text_ref(narrow_view(narrow)) {}
    constexpr text_ref(const char16_t* literal) : text_ref(text_view(literal)) {}
    // NOLINTEND(google-explicit-constructor)

    bool is_narrow() const { return (size_and_form_ & narrow_form) != 0; }
    size_t size() const { return size_and_form_ & ~narrow_form; }
    bool empty() const { return size() == 0; }
    // The form the characters are in: valid only for that form.
    narrow_view narrow() const { return {static_cast<const narrow_char*>(data_), size()}; }
    text_view wide() const { return {static_cast<const char16_t*>(data_), size()}; }
    char16_t operator[](size_t i) const { return is_narrow() ? narrow()[i] : wide()[i]; }
    // The characters from `position` on, at most `length` of them (clamped to the end).
    text_ref substr(size_t position, size_t length = text_view::npos) const {
        if (is_narrow()) return narrow().substr(position, length);
        return wide().substr(position, length);
    }
    // The `length` characters from `position` on, which the caller knows lie within.
    text_ref part(size_t position, size_t length) const {
        text_ref part;
        part.data_ = static_cast<const char*>(data_) + (is_narrow() ? position : 2 * position);
        part.size_and_form_ = length | (size_and_form_ & narrow_form);
        return part;
    }
    // Calls `operation` with the characters as a narrow_view or a text_view.
    template <class operation> decltype(auto) visit(operation&& op) const {
        if (is_narrow()) return op(narrow());
        return op(wide());
    }

  private:
    // The top bit of the size says the form: two words, passed in registers like a text_view.
    static constexpr size_t narrow_form = size_t(1) << (8 * sizeof(size_t) - 1);
    const void* data_ = nullptr;
    size_t size_and_form_ = 0;
};

// The two views of characters: of a text, or of characters in either form.
template <class chars>
concept text_chars = std::same_as<chars, text_view> || std::same_as<chars, text_ref>;

// The part of s from 1-based column `column`, at most `length` characters long; empty when the
// text ends before that column. The caller has checked that column >= 1.
template <text_chars chars> chars column_slice(chars s, size_t column, size_t length) {
    if (column > s.size()) return {};
    return s.substr(column - 1, length);
}

// Equal when the characters are, whatever the forms.
bool operator==(text_ref a, text_ref b);

// Appends the characters to a text, widening narrow ones.
void append_chars(text& to, text_ref chars);
// The characters as a text: the edge where the other parts of the program take them.
text widened(text_ref chars);

} // namespace tovl
