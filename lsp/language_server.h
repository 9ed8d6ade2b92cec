// The language server: answers an editor's requests about the TOVL scripts it has open, and
// tells it what the checker finds in them as they are typed. Nothing of a script ever runs
// but the checker's trial, which touches nothing outside.
#pragma once

#include "lsp/message_framer.h"
#include "lsp/open_script.h"
#include "lsp/protocol_types.h"

#include "check/diagnostic.h"
#include "interp/run_loop.h"

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace tovl::lsp {

class language_server {
  public:
    // `send` writes one message to the client. With `trial`, the checker also tries each script
    // with those commands, when the server has nothing else to do.
    using sender = std::function<void(const json&)>;
    language_server(const command_set* trial, sender send);

    // One message from the framer: a request, a notification or a response, or a problem with
    // its framing, which is answered as a protocol error.
    void receive(const framed_message& message);
    void handle(const json& message);

    // True when a script's findings wait for the checker's trial.
    bool has_idle_work() const { return !untried_.empty(); }
    // Tries one waiting script and publishes its findings, unless `interrupted` says, while it
    // runs, that the client has sent something; the script then waits for the next idle time.
    // A trial that takes longer than a glance publishes the reading checks' findings first, so
    // that they show at once while the trial goes on; one that does not publishes once.
    void do_idle_work(const std::function<bool()>& interrupted);

    bool exit_requested() const { return exit_requested_; }
    // 0 after a shutdown request, 1 for an exit without one.
    int exit_status() const { return shut_down_ ? 0 : 1; }

  private:
    struct script_state {
        open_script script;
        std::vector<diagnostic> byte_findings; // of the checks of its UTF-8 bytes
        std::vector<diagnostic> read_findings; // of the checks that read its text
        std::vector<diagnostic> findings;      // published: the above and the trial's
        bool published = false;                // since the last change
    };

    json answer(const std::string& method, const json& params);
    void notice(const std::string& method, const json& params);
    json initialize_result() const;
    script_state& state_of(const json& text_document);
    void recheck(script_state& state);
    static void gather(script_state& state, std::vector<diagnostic> tried);
    void publish(script_state& state);
    void reply_error(const json& id, const protocol_error& error);

    const command_set* trial_;
    sender send_;
    std::map<std::string, script_state> scripts_;
    std::set<std::string> untried_;
    bool initialized_ = false;
    bool shut_down_ = false;
    bool exit_requested_ = false;
    int next_request_ = 1;
};

} // namespace tovl::lsp
