#include "platform/library_modules.h"

#include <dlfcn.h>
#include <sys/stat.h>

#include <cstdio>
#include <utility>

#ifndef KD_MODULES_FROM_PROGRAM
#define KD_MODULES_FROM_PROGRAM "../lib/korvadesk/modules"
#endif

namespace kd {

namespace {

bool is_folder(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The texts are short: the path and the loader's reason are cut to what a box can show.
std::string cut(const std::string& text, std::size_t most) {
    return text.size() <= most ? text : text.substr(0, most) + "...";
}

}  // namespace

std::string module_missing_message(const std::string& feature, const std::string& path,
                                   const std::string& reason) {
    const std::string f = cut(feature, 200);
    const std::string p = cut(path, 1000);
    const std::string r = cut(reason, 1000);
    std::string text(f.size() + p.size() + r.size() + 256, '\0');
    const int n =
        std::snprintf(text.data(), text.size(), kModuleMissing, f.c_str(), p.c_str(), r.c_str());
    text.resize(n > 0 ? std::min<std::size_t>(std::size_t(n), text.size() - 1) : 0);
    return text;
}

std::string module_folder(const std::string& program_folder) {
    if (program_folder.empty() || program_folder.front() != '/') {
        return {};
    }
    std::string installed = program_folder + "/" + KD_MODULES_FROM_PROGRAM;
    if (is_folder(installed)) {
        return installed;
    }
    return program_folder + "/modules";
}

LibraryModules::LibraryModules(std::string folder, Reporter report)
    : folder_(std::move(folder)), report_(std::move(report)) {}

std::string LibraryModules::path(const std::string& name) const {
    return folder_ + "/korvadesk-" + name + ".so";
}

const void* LibraryModules::table(const std::string& name, const char* symbol,
                                  const std::string& feature) const {
    std::string reason;
    const void* found = find(name, symbol, reason);
    if (found == nullptr) {
        report_missing(name, feature, reason);
    }
    return found;
}

const void* LibraryModules::find(const std::string& name, const char* symbol,
                                 std::string& reason) const {
    const std::string file = path(name);
    if (folder_.empty() || folder_.front() != '/') {
        reason = "The program's module folder is not known.";
    } else if (void* handle = ::dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL)) {
        // Never closed: Qt and the libraries behind a module keep state for the whole run.
        // dlopen counts the opens of a module, so a later call only finds it again.
        using Entry = const void* (*)();
        if (auto entry = reinterpret_cast<Entry>(::dlsym(handle, symbol))) {
            if (const void* found = entry()) {
                return found;
            }
        }
        reason = std::string("The module has no ") + symbol +
                 ": it belongs to another version of Korvadesk.";
    } else {
        const char* error = ::dlerror();  // this thread's own
        reason = error != nullptr ? error : "The module cannot be opened.";
    }
    return nullptr;
}

void LibraryModules::report_missing(const std::string& name, const std::string& feature,
                                    const std::string& reason) const {
    if (report_) {
        report_(module_missing_message(feature, path(name), reason));
    }
}

}  // namespace kd
