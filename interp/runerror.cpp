// The table of run-time error numbers and descriptions.
#include "interp/runerror.h"

namespace tovl {

namespace {

struct errorentry {
    int number;
    const char* description;
};

// Indexed by errorkind.
constexpr errorentry errortable[] = {
    {1, "Type mismatch"},           {2, "Overflow"},           {3, "Division by zero"},
    {4, "Subscript out of range"},  {5, "Invalid argument"},   {6, "File not found"},
    {7, "File already open"},       {8, "Path not found"},     {9, "Bad file name"},
    {10, "Path/file access error"}, {11, "Permission denied"}, {12, "Disk full"},
    {13, "Device I/O error"},
    {14, "Out of memory"},
};

static_assert(sizeof(errortable) / sizeof(errortable[0]) ==
              static_cast<size_t>(errorkind::outofmemory) + 1);

} // namespace

int errornumber(errorkind kind) {
    return errortable[static_cast<size_t>(kind)].number;
}

const char* errordescription(errorkind kind) {
    return errortable[static_cast<size_t>(kind)].description;
}

} // namespace tovl
