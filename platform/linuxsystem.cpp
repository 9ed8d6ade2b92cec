// Real and rehearsed system layers over the launch and media-control layers.
#include "platform/linuxsystem.h"

#include "interp/codepage.h"
#include "platform/launch.h"
#include "platform/mediacontrol.h"

namespace tovl {

void linuxsystem::launch(textview commandline, int16_t) {
    launchdetached(translateshutdown(splitcommandline(encodecodepage(commandline))));
}

void linuxsystem::mcisend(const std::string& command) {
    char answer[128];
    mciSendStringA(command.c_str(), answer, 127, 0);
}

void dryrunsystem::launch(textview commandline, int16_t windowstyle) {
    std::vector<std::string> words = splitcommandline(encodecodepage(commandline));
    if (translateshutdown(words) == words) findprogram(words.empty() ? std::string() : words[0]);
    text line = u"dry run: launch \"" + text(commandline) + u"\" with window style ";
    appendascii(line, std::to_string(windowstyle));
    report(line);
}

void dryrunsystem::mcisend(const std::string& command) {
    report(u"dry run: media command \"" + decodecodepage(command) + u"\"");
}

} // namespace tovl
