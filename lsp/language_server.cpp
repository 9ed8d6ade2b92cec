// The language server's messages: the life cycle, the open scripts and their findings, and the
// requests, each answered by the module of its feature.
#include "lsp/language_server.h"

#include "lsp/code_actions.h"
#include "lsp/completion.h"
#include "lsp/hover.h"
#include "lsp/jump_links.h"
#include "lsp/semantic_tokens.h"

#include "check/byte_check.h"
#include "check/script_check.h"
#include "check/script_trial.h"
#include "interp/script_text.h"

#include <chrono>
#include <utility>

#ifndef TOVL_VERSION
#define TOVL_VERSION "0"
#endif

namespace tovl::lsp {

namespace {

// How long a trial may take before the reading checks' findings are published without it.
constexpr double glance_seconds = 0.03;

} // namespace

language_server::language_server(const command_set* trial, sender send)
    : trial_(trial), send_(std::move(send)) {}

json language_server::initialize_result() const {
    return {{"capabilities",
             {{"positionEncoding", "utf-16"},
              {"textDocumentSync", {{"openClose", true}, {"change", 2}}},
              {"hoverProvider", true},
              {"definitionProvider", true},
              {"referencesProvider", true},
              {"inlayHintProvider", true},
              {"semanticTokensProvider",
               {{"legend", semantic_token_legend()}, {"full", true}, {"range", true}}},
              {"codeActionProvider", {{"codeActionKinds", {"quickfix", "source.fixAll"}}}},
              {"executeCommandProvider", {{"commands", {renumber_jumps_command}}}},
              {"completionProvider", json::object()}}},
            {"serverInfo", {{"name", "tovl-lsp"}, {"version", TOVL_VERSION}}}};
}

void language_server::reply_error(const json& id, const protocol_error& error) {
    send_({{"jsonrpc", "2.0"},
           {"id", id},
           {"error", {{"code", error.code}, {"message", error.message}}}});
}

void language_server::receive(const framed_message& message) {
    if (message.what != framed_message::kind::message) {
        int code = message.what == framed_message::kind::too_large ? error_code::invalid_request
                                                                   : error_code::parse_error;
        reply_error(nullptr, {code, message.content});
        return;
    }
    json parsed = json::parse(message.content, nullptr, false);
    if (parsed.is_discarded()) {
        reply_error(nullptr, {error_code::parse_error, "the message is not JSON"});
        return;
    }
    handle(parsed);
}

void language_server::handle(const json& message) {
    json id = message.is_object() && message.contains("id") ? message["id"] : json();
    bool has_method =
        message.is_object() && message.contains("method") && message["method"].is_string();
    if (!has_method) {
        // A response to the server's own request (an edit it asked for) needs nothing more.
        bool response = message.is_object() && message.contains("id") &&
                        (message.contains("result") || message.contains("error"));
        if (!response) reply_error(id, {error_code::invalid_request, "a message without a method"});
        return;
    }
    if (!id.is_null() && !id.is_number_integer() && !id.is_string()) {
        reply_error(nullptr, {error_code::invalid_request, "an id must be a number or a text"});
        return;
    }
    const std::string& method = message["method"].get_ref<const std::string&>();
    json params = message.value("params", json::object());
    try {
        if (id.is_null()) {
            notice(method, params);
            return;
        }
        json result = answer(method, params);
        send_({{"jsonrpc", "2.0"}, {"id", id}, {"result", std::move(result)}});
    } catch (const protocol_error& e) {
        if (!id.is_null()) reply_error(id, e);
    } catch (const json::exception& e) {
        // A parameter missing or of the wrong type.
        if (!id.is_null())
            reply_error(id,
                        {error_code::invalid_params, "bad parameters: " + std::string(e.what())});
    }
}

language_server::script_state& language_server::state_of(const json& text_document) {
    const std::string& uri = text_document.at("uri").get_ref<const std::string&>();
    auto found = scripts_.find(uri);
    if (found == scripts_.end())
        throw protocol_error{error_code::invalid_params, "no script is open at " + uri};
    return found->second;
}

json language_server::answer(const std::string& method, const json& params) {
    if (method == "initialize") {
        initialized_ = true;
        return initialize_result();
    }
    if (!initialized_)
        throw protocol_error{error_code::server_not_initialized, "initialize comes first"};
    if (shut_down_)
        throw protocol_error{error_code::invalid_request, "the server is shutting down"};
    if (method == "shutdown") {
        shut_down_ = true;
        return nullptr;
    }
    if (method == "workspace/executeCommand") {
        if (params.at("command") != renumber_jumps_command)
            throw protocol_error{error_code::invalid_params, "no such command"};
        script_state& state = state_of({{"uri", params.at("arguments").at(0)}});
        json edit = renumber_jumps_edit(state.script);
        if (!edit.is_null())
            send_({{"jsonrpc", "2.0"},
                   {"id", next_request_++},
                   {"method", "workspace/applyEdit"},
                   {"params", {{"label", "Renumber the jumps"}, {"edit", std::move(edit)}}}});
        return nullptr;
    }
    // The requests about one open script, each with the answer of its feature.
    using document_request = json (*)(const script_state&, const json&);
    static const std::map<std::string, document_request> document_requests = {
        {"textDocument/hover",
         [](const script_state& s, const json& p) {
             return hover_at(s.script, position_of(p.at("position")));
         }},
        {"textDocument/definition",
         [](const script_state& s, const json& p) {
             return definition_at(s.script, position_of(p.at("position")));
         }},
        {"textDocument/references",
         [](const script_state& s, const json& p) {
             return references_at(
                 s.script, position_of(p.at("position")),
                 p.value("context", json::object()).value("includeDeclaration", false));
         }},
        {"textDocument/inlayHint",
         [](const script_state& s, const json& p) {
             return inlay_hints(s.script, range_of(p.at("range")));
         }},
        {"textDocument/codeAction",
         [](const script_state& s, const json& p) {
             return code_actions(s.script, range_of(p.at("range")), s.findings);
         }},
        {"textDocument/completion",
         [](const script_state& s, const json& p) {
             return completion_at(s.script, position_of(p.at("position")));
         }},
        {"textDocument/semanticTokens/full",
         [](const script_state& s, const json& /*p*/) { return semantic_tokens(s.script); }},
        {"textDocument/semanticTokens/range",
         [](const script_state& s, const json& p) {
             return semantic_tokens(s.script, range_of(p.at("range")));
         }},
    };
    auto found = document_requests.find(method);
    if (found == document_requests.end())
        throw protocol_error{error_code::method_not_found, "no method " + method};
    return found->second(state_of(params.at("textDocument")), params);
}

void language_server::notice(const std::string& method, const json& params) {
    if (method == "exit") {
        exit_requested_ = true;
        return;
    }
    if (!initialized_ || shut_down_) return;
    if (method == "textDocument/didOpen") {
        const json& document = params.at("textDocument");
        std::string uri = document.at("uri").get<std::string>();
        scripts_.erase(uri);
        auto [at, added] =
            scripts_.emplace(uri, script_state{open_script(uri, text_of(document.at("text")),
                                                           integer_of(document, "version", 0)),
                                               {},
                                               {},
                                               {}});
        recheck(at->second);
    } else if (method == "textDocument/didChange") {
        script_state& state = state_of(params.at("textDocument"));
        int version = integer_of(params.at("textDocument"), "version", state.script.version() + 1);
        for (const json& change : params.at("contentChanges")) {
            std::optional<text_range> range;
            if (change.contains("range")) range = range_of(change.at("range"));
            state.script.apply_change(range, text_of(change.at("text")), version);
        }
        recheck(state);
    } else if (method == "textDocument/didClose") {
        std::string uri = params.at("textDocument").at("uri").get<std::string>();
        scripts_.erase(uri);
        untried_.erase(uri);
        send_({{"jsonrpc", "2.0"},
               {"method", "textDocument/publishDiagnostics"},
               {"params", {{"uri", uri}, {"diagnostics", json::array()}}}});
    }
    // Anything else ("initialized", "$/cancelRequest", saves) needs no answer.
}

// The checks that read the script are published at once; the trial's findings follow when
// the server is idle.
void language_server::recheck(script_state& state) {
    const text& content = state.script.content();
    std::string bytes = utf8(content);
    decoded_script decoded{content, text_encoding::utf8};
    state.byte_findings = check_bytes(bytes, decoded, false);
    state.read_findings = check_script(content, nullptr);
    gather(state, {});
    state.published = false;
    if (trial_)
        untried_.insert(state.script.uri());
    else
        publish(state);
}

void language_server::do_idle_work(const std::function<bool()>& interrupted) {
    if (untried_.empty()) return;
    std::string uri = *untried_.begin();
    script_state& state = scripts_.at(uri);
    trial_limits limits;
    limits.interrupted = interrupted;
    if (!state.published) limits.seconds = glance_seconds;
    auto start = std::chrono::steady_clock::now();
    std::vector<diagnostic> tried = try_script(state.script.content(), *trial_, limits);
    if (interrupted()) return;
    if (!state.published &&
        std::chrono::steady_clock::now() - start >= std::chrono::duration<double>(glance_seconds)) {
        publish(state);
        return;
    }
    untried_.erase(uri);
    if (tried.empty() && state.published) return;
    gather(state, std::move(tried));
    publish(state);
}

// The findings in the order and with the merging of tovl-console --check.
void language_server::gather(script_state& state, std::vector<diagnostic> tried) {
    state.findings = state.read_findings;
    add_trial_findings(state.findings, std::move(tried));
    state.findings.insert(state.findings.end(), state.byte_findings.begin(),
                          state.byte_findings.end());
    sort_by_place(state.findings);
}

void language_server::publish(script_state& state) {
    state.published = true;
    json diagnostics = json::array();
    for (const diagnostic& d : state.findings)
        diagnostics.push_back(diagnostic_json(d, state.script));
    send_({{"jsonrpc", "2.0"},
           {"method", "textDocument/publishDiagnostics"},
           {"params",
            {{"uri", state.script.uri()},
             {"version", state.script.version()},
             {"diagnostics", std::move(diagnostics)}}}});
}

} // namespace tovl::lsp
