// The kind of run-time error a call raises, for tests; a call that raises none fails the test.
#pragma once

#include "interp/runerror.h"

#include <gtest/gtest.h>

namespace tovl {

inline errorkind failurekind(auto call) {
    try {
        call();
    } catch (const runerror& e) {
        return e.kind();
    }
    ADD_FAILURE() << "no run-time error";
    return errorkind::outofmemory;
}

} // namespace tovl
