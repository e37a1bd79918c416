#include "files/note_file_rules.h"

#include <filesystem>

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <memory>

#include "files/file_texts.h"
#include "platform/private_files.h"

namespace kd {

namespace ft = file_texts;

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// `pattern` with each "%s" replaced by the next argument.
std::string fill(const char* pattern, std::initializer_list<std::string> args) {
    std::string out;
    auto arg = args.begin();
    for (const char* p = pattern; *p != '\0'; ++p) {
        if (p[0] == '%' && p[1] == 's' && arg != args.end()) {
            out += *arg++;
            ++p;
        } else {
            out += *p;
        }
    }
    return out;
}

}  // namespace

std::string file_extension(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    const std::size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) {
        return {};
    }
    std::string ext = path.substr(dot + 1);
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    return ext;
}

std::string proposed_text_file_name(const std::string& title) {
    std::string name = title;
    name.erase(std::remove(name.begin(), name.end(), ':'), name.end());
    return name;
}

std::string path_message(const char* what, const std::string& path) {
    return fill(ft::kPathMessagePattern, {what, path});
}

bool offers_append(const std::string& extension) {
    return extension == "txt";
}

std::string existing_file_question(const std::string& file_name, bool append_offered) {
    return fill(append_offered ? ft::kReplaceOrAppend : ft::kReplace, {file_name});
}

OpenedAs opened_as(const std::string& extension) {
    if (extension == "rtf") {
        return OpenedAs::RichText;
    }
    if (extension == "txt") {
        return OpenedAs::PlainText;
    }
    return OpenedAs::Ignored;
}

bool saves_rich_text(const std::string& extension) {
    return extension == "rtf" || extension == "doc";
}

std::string text_to_save(const std::string& plain, bool append) {
    std::string text = append ? "\n\n" : "";
    for (char c : plain) {
        if (c != '\r') {
            text += c;
        }
    }
    return text;
}

bool read_text_file(const std::string& path, std::string& text) {
    File in(open_regular_stream(path, "rb"));
    if (!in) {
        return false;
    }
    std::string raw;
    char buffer[64 * 1024];
    while (raw.size() < kLongestOpenedFile) {
        const std::size_t want = std::min(sizeof buffer, kLongestOpenedFile - raw.size());
        const std::size_t got = std::fread(buffer, 1, want, in.get());
        raw.append(buffer, got);
        if (got < want) {
            break;
        }
    }
    if (std::ferror(in.get())) {
        return false;
    }
    text.clear();
    text.reserve(raw.size());
    for (std::size_t i = 0; i < raw.size(); ++i) {
        if (!(raw[i] == '\r' && i + 1 < raw.size() && raw[i + 1] == '\n')) {
            text += raw[i];
        }
    }
    return true;
}

bool write_text_file(const std::string& path, const std::string& text, bool append) {
    File out(open_regular_stream(path, append ? "ab" : "wb"));
    if (!out) {
        return false;
    }
    if (std::fwrite(text.data(), 1, text.size(), out.get()) != text.size()) {
        return false;
    }
    return std::fclose(out.release()) == 0;
}

bool copy_file(const std::string& from, const std::string& to) {
    File in(open_regular_stream(from, "rb"));
    if (!in) {
        return false;
    }
    File out(open_regular_stream(to, "wb"));
    if (!out) {
        return false;
    }
    char buffer[64 * 1024];
    for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, in.get())) > 0;) {
        if (std::fwrite(buffer, 1, got, out.get()) != got) {
            return false;
        }
    }
    return !std::ferror(in.get()) && std::fclose(out.release()) == 0;
}

std::string dialog_name_filter(const std::string& bar_filter) {
    // Display texts and patterns alternate.
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (std::size_t bar; (bar = bar_filter.find('|', start)) != std::string::npos;
         start = bar + 1) {
        parts.push_back(bar_filter.substr(start, bar - start));
    }
    std::string out;
    for (std::size_t i = 0; i + 1 < parts.size(); i += 2) {
        // The dialog takes the patterns from the parentheses, separated by blanks.
        std::string patterns = parts[i + 1];
        std::replace(patterns.begin(), patterns.end(), ';', ' ');
        const std::string& shown = parts[i];
        const std::size_t paren = shown.rfind('(');
        if (!out.empty()) {
            out += ";;";
        }
        out += paren == std::string::npos ? shown + " " : shown.substr(0, paren);
        out += '(';
        out += patterns;
        out += ')';
    }
    return out;
}

std::string picture_path(const std::string& folder, const char* name) {
    return folder + "/" + name;
}

std::string delete_picture_files(const std::string& folder) {
    std::string failed;
    for (const char* name : {ft::kNoteBmp, ft::kNote24Bmp, ft::kNoteJpg, ft::kNotePng}) {
        const std::string path = picture_path(folder, name);
        struct stat st {};
        if (::lstat(path.c_str(), &st) == 0 && std::remove(path.c_str()) != 0) {
            failed += std::string(name) + " ";
        }
    }
    return failed;
}

std::string pictures_not_deleted_message(const std::string& names) {
    return fill("%s %s", {names, ft::kDeletePicturesFailed});
}

std::string RecentFolders::start_folder(const std::string& kind, const std::string& home) const {
    const auto it = folders_.find(kind);
    std::error_code ec;
    if (it != folders_.end() && std::filesystem::is_directory(it->second, ec)) {
        return it->second;
    }
    return home;
}

void RecentFolders::chose(const std::string& kind, const std::string& path) {
    const std::string folder = std::filesystem::path(path).parent_path().string();
    if (!folder.empty()) {
        folders_[kind] = folder;
    }
}

}  // namespace kd
