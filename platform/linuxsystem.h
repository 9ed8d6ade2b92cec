// The system layer of a real run: programs are launched and tray commands sent for real.
#pragma once

#include "platform/systemlayer.h"

#include <functional>

namespace tovl {

class linuxsystem final : public systemlayer {
  public:
    void launch(textview commandline, int16_t windowstyle) override;
    void mcisend(const std::string& command) override;
};

// The same layer for rehearsals: nothing is launched or sent; each command line (as composed,
// with its window style) or media command is described to `report` instead. A program other
// than the shutdown is still looked up, so a missing one fails as in a real run.
class dryrunsystem final : public systemlayer {
  public:
    using reporter = std::function<void(const text& line)>;
    explicit dryrunsystem(reporter report) : report(std::move(report)) {}
    void launch(textview commandline, int16_t windowstyle) override;
    void mcisend(const std::string& command) override;

  private:
    reporter report;
};

} // namespace tovl
