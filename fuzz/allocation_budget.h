// allocation_budget: a limit on what one fuzzed script may allocate, so it ends as Out of memory.
#pragma once

#include <cstdint>

namespace tovl::fuzz {

// A script may legitimately double a text with "fappd" in a loop, or copy a large text into
// many slots; the step budget alone would let that reach gigabytes. While a budget is in
// force, every C++ allocation is counted: beyond live_limit bytes live at once, or work_limit
// bytes allocated in all, operator new throws std::bad_alloc, which the run meets as its Out of
// memory error, exactly as when the machine's memory runs out.
class allocation_budget {
  public:
    // Texts of one-byte characters take a byte each: these bound the characters an input can
    // make and go over, and so its time under the sanitizers.
    static constexpr int64_t live_limit = int64_t(32) << 20;
    static constexpr int64_t work_limit = int64_t(256) << 20;

    allocation_budget();
    ~allocation_budget();
    allocation_budget(const allocation_budget&) = delete;
    allocation_budget& operator=(const allocation_budget&) = delete;
};

// Lifts the budget in force for its lifetime, for work the target does on the host's behalf
// (building the reports) that a script's allocations must not make fail.
class budget_pause {
  public:
    budget_pause();
    ~budget_pause();
    budget_pause(const budget_pause&) = delete;
    budget_pause& operator=(const budget_pause&) = delete;

  private:
    bool was_armed_;
};

} // namespace tovl::fuzz
