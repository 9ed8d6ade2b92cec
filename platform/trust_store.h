// trust_store: the scripts and folders a user has said may use their powers without asking,
// kept per user in $XDG_DATA_HOME/tovl/ (~/.local/share/tovl/ when it is not set).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tovl {

// Trust is kept in two files of plain lines, each read whole and replaced whole:
//   trusted-scripts  "SHA256-HEX PATH": that exact content, wherever it is
//   trusted-folders  "PATH": every script in that folder or below it
// Deleting the folder forgets all trust.
class trust_store {
  public:
    // The store of this user, from the environment.
    static trust_store for_user();
    explicit trust_store(std::string folder) : folder_(std::move(folder)) {}

    // True when `content` (the script's bytes) was trusted as a version, or its real path lies
    // in a trusted folder.
    bool trusts(std::string_view content, const std::string& script_path) const;
    // Remember this content, or the script's real folder. Returns an error message, or nothing.
    std::optional<std::string> trust_version(std::string_view content,
                                             const std::string& script_path) const;
    std::optional<std::string> trust_folder(const std::string& script_path) const;

    const std::string& folder() const { return folder_; }

  private:
    std::string folder_;
};

// The web address a browser recorded for a downloaded file (extended attribute
// user.xdg.origin.url), or nothing.
std::optional<std::string> download_origin(const std::string& path);

// The SHA-256 of `bytes`, as 64 lower-case hexadecimal digits.
std::string sha256_hex(std::string_view bytes);

} // namespace tovl
