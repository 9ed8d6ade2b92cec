// A system layer for tests: records launches and media commands, launches nothing.
#pragma once

#include "platform/systemlayer.h"

#include <utility>
#include <vector>

namespace tovl {

class fakesystem : public systemlayer {
  public:
    std::vector<std::pair<text, int16_t>> launches;
    std::vector<std::string> mediacommands;

    void launch(textview commandline, int16_t windowstyle) override {
        launches.emplace_back(text(commandline), windowstyle);
    }
    void mcisend(const std::string& command) override { mediacommands.push_back(command); }
};

} // namespace tovl
