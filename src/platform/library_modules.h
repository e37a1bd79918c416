// The parts of the program that bring large libraries with them (pictures through FreeImage,
// mail through libcurl, the sound through Qt Multimedia) are shared modules of ours, opened the
// first time they are needed: a start loads only what showing notes takes.
//
// A module is opened only by its absolute path in the program's own module folder, never from
// the current folder or a library search path. Each exports one table of entries under a name
// that carries its layout's version, so a module of another build is refused, not called.
#pragma once

#include <functional>
#include <string>

namespace kd {

// What the user reads when a module, or a library it needs, cannot be loaded: the feature that
// is missing, the module's path, and the system's reason.
inline constexpr const char* kModuleMissing =
    "Korvadesk cannot %s: its module \"%s\" could not be loaded.\n\n%s\n\n"
    "Installing Korvadesk again should bring it back.";

std::string module_missing_message(const std::string& feature, const std::string& path,
                                   const std::string& reason);

// The module folder of a program that runs from `program_folder`: the installed place
// (`<program folder>/<KD_MODULES_FROM_PROGRAM>`) when it exists, else the build tree's
// `<program folder>/modules`. "" when `program_folder` is not absolute.
std::string module_folder(const std::string& program_folder);

class LibraryModules {
public:
    // Receives the message of a failed load; may be called on any thread.
    using Reporter = std::function<void(const std::string& message)>;

    // `folder` must be absolute; with "" or a relative one every module is missing.
    explicit LibraryModules(std::string folder = {}, Reporter report = {});

    // The table module `name` exports as `symbol`, the module opened the first time. Null when
    // it or a library it needs cannot be loaded or it has no such table; each failure is
    // reported, naming `feature` ("save pictures"). Thread-safe; modules stay loaded until the
    // program ends.
    const void* table(const std::string& name, const char* symbol,
                      const std::string& feature) const;
    // As table(), but says nothing: why the module cannot be used goes to `reason`. For a
    // module opened on a thread of its own, whose failure is told at its first use.
    const void* find(const std::string& name, const char* symbol, std::string& reason) const;
    // Tells what find() gave as `reason`, as table() tells a failure.
    void report_missing(const std::string& name, const std::string& feature,
                        const std::string& reason) const;

    // The module's file: "<folder>/korvadesk-<name>.so".
    std::string path(const std::string& name) const;
    const std::string& folder() const { return folder_; }

private:
    std::string folder_;
    Reporter report_;
};

// Declares the table a module exports: `extern "C"` so its name is exactly `symbol`.
#define KD_MODULE_TABLE(Type, symbol) \
    extern "C" __attribute__((visibility("default"))) const Type* symbol()

}  // namespace kd
