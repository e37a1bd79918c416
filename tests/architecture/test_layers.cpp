// Keeps docs/architecture.md true: every #include of a src/ folder under src/ goes to the
// folder's own layer or a lower one, and no two folders include each other.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

// Layer number of each folder, from the table between the layer markers of the document.
std::map<std::string, int> read_layers(const fs::path& doc) {
    std::ifstream in(doc);
    std::map<std::string, int> layers;
    bool inside = false;
    for (std::string line; std::getline(in, line);) {
        if (line.find("<!-- layers") != std::string::npos) {
            inside = true;
            continue;
        }
        if (line.find("<!-- end of layers") != std::string::npos) {
            break;
        }
        std::smatch m;
        static const std::regex row(R"(^\|\s*(\d+)\s*\|\s*([a-z, ]+?)\s*\|)");
        if (!inside || !std::regex_search(line, m, row)) {
            continue;
        }
        std::istringstream folders(m[2].str());
        for (std::string f; std::getline(folders, f, ',');) {
            f.erase(0, f.find_first_not_of(' '));
            f.erase(f.find_last_not_of(' ') + 1);
            layers[f] = std::stoi(m[1].str());
        }
    }
    return layers;
}

struct Violation {
    std::string file;
    std::string include;
};

std::vector<Violation> upward_includes(const fs::path& src,
                                       const std::map<std::string, int>& layers) {
    std::vector<Violation> found;
    static const std::regex include(R"(^\s*#\s*include\s*"([a-z_]+)/[^"]+")");
    for (const auto& entry : fs::recursive_directory_iterator(src)) {
        if (!entry.is_regular_file()) {
            continue;
        }
        const fs::path rel = fs::relative(entry.path(), src);
        const std::string folder = rel.begin()->string();
        const auto own = layers.find(folder);
        if (own == layers.end()) {
            continue;
        }
        std::ifstream in(entry.path());
        for (std::string line; std::getline(in, line);) {
            std::smatch m;
            if (!std::regex_search(line, m, include)) {
                continue;
            }
            const auto target = layers.find(m[1].str());
            if (target != layers.end() && target->second < own->second) {
                found.push_back({rel.string(), line});
            }
        }
    }
    return found;
}

// The folders each folder of src/ includes from, itself left out, with one include line each.
std::map<std::string, std::map<std::string, std::string>> folder_includes(const fs::path& src) {
    std::map<std::string, std::map<std::string, std::string>> found;
    static const std::regex include(R"(^\s*#\s*include\s*"([a-z_]+)/[^"]+")");
    for (const auto& entry : fs::recursive_directory_iterator(src)) {
        if (!entry.is_regular_file()) {
            continue;
        }
        const fs::path rel = fs::relative(entry.path(), src);
        const std::string folder = rel.begin()->string();
        std::ifstream in(entry.path());
        for (std::string line; std::getline(in, line);) {
            std::smatch m;
            if (std::regex_search(line, m, include) && m[1].str() != folder &&
                fs::is_directory(src / m[1].str())) {
                found[folder].try_emplace(m[1].str(), rel.string() + ": " + line);
            }
        }
    }
    return found;
}

// Pairs that still include each other while they are being taken apart; each must go from
// here once it no longer does.
const std::set<std::pair<std::string, std::string>> kBeingTakenApart = {{"note", "themes"}};

TEST(Layers, TheDocumentNamesEveryFolderOfSrc) {
    const auto layers = read_layers(fs::path(KD_SOURCE_DIR) / "docs/architecture.md");
    ASSERT_EQ(layers.size(), 11u) << "the layer table of docs/architecture.md";
    for (const auto& entry : fs::directory_iterator(fs::path(KD_SOURCE_DIR) / "src")) {
        if (entry.is_directory()) {
            EXPECT_TRUE(layers.contains(entry.path().filename().string()))
                << entry.path().filename() << " has no layer in docs/architecture.md";
        }
    }
}

TEST(Layers, NoIncludeGoesUpward) {
    const auto layers = read_layers(fs::path(KD_SOURCE_DIR) / "docs/architecture.md");
    ASSERT_FALSE(layers.empty());
    for (const Violation& v : upward_includes(fs::path(KD_SOURCE_DIR) / "src", layers)) {
        ADD_FAILURE() << v.file << ": " << v.include;
    }
}

TEST(Layers, NoTwoFoldersIncludeEachOther) {
    const auto includes = folder_includes(fs::path(KD_SOURCE_DIR) / "src");
    std::set<std::pair<std::string, std::string>> both_ways;
    for (const auto& [folder, targets] : includes) {
        for (const auto& [target, where] : targets) {
            const auto back = includes.find(target);
            if (folder < target && back != includes.end() && back->second.contains(folder)) {
                both_ways.insert({folder, target});
                if (!kBeingTakenApart.contains({folder, target})) {
                    ADD_FAILURE() << folder << " and " << target << " include each other:\n  "
                                  << where << "\n  " << back->second.at(folder);
                }
            }
        }
    }
    for (const auto& pair : kBeingTakenApart) {
        EXPECT_TRUE(both_ways.contains(pair))
            << pair.first << " and " << pair.second << " no longer include each other: "
            << "take them off kBeingTakenApart";
    }
}

}  // namespace
