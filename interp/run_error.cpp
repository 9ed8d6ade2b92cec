// The table of run-time error numbers and descriptions.
#include "interp/run_error.h"

#include <cstddef>
#include <iterator>

namespace tovl {

namespace {

struct error_entry {
    int number;
    const char* description;
};

// Indexed by error_kind.
constexpr error_entry error_table[] = {
    {1, "Type mismatch"},           {2, "Overflow"},           {3, "Division by zero"},
    {4, "Subscript out of range"},  {5, "Invalid argument"},   {6, "File not found"},
    {7, "File already open"},       {8, "Path not found"},     {9, "Bad file name"},
    {10, "Path/file access error"}, {11, "Permission denied"}, {12, "Disk full"},
    {13, "Device I/O error"},       {14, "Out of memory"},
};

static_assert(std::size(error_table) == static_cast<size_t>(error_kind::out_of_memory) + 1);

} // namespace

int error_number(error_kind kind) {
    return error_table[static_cast<size_t>(kind)].number;
}

const char* error_description(error_kind kind) {
    return error_table[static_cast<size_t>(kind)].description;
}

} // namespace tovl
