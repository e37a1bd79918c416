// Keeps docs/architecture.md true: every #include of a src/ folder under src/ goes to the
// folder's own layer or a lower one, and no two folders include each other.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <utility>
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

// One #include of a src/ folder in a file under src/.
struct Include {
    std::string file;    // from src/
    std::string folder;  // the file's own folder
    std::string target;  // the folder it includes from
    std::string line;
};

std::vector<Include> folder_includes(const fs::path& src) {
    std::vector<Include> found;
    static const std::regex include(R"(^\s*#\s*include\s*"([a-z_]+)/[^"]+")");
    for (const auto& entry : fs::recursive_directory_iterator(src)) {
        if (!entry.is_regular_file()) {
            continue;
        }
        const fs::path rel = fs::relative(entry.path(), src);
        std::ifstream in(entry.path());
        for (std::string line; std::getline(in, line);) {
            std::smatch m;
            if (std::regex_search(line, m, include)) {
                found.push_back({rel.string(), rel.begin()->string(), m[1].str(), line});
            }
        }
    }
    return found;
}

TEST(Layers, TheDocumentNamesEveryFolderOfSrc) {
    const auto layers = read_layers(fs::path(KD_SOURCE_DIR) / "docs/architecture.md");
    ASSERT_EQ(layers.size(), 12u) << "the layer table of docs/architecture.md";
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
    for (const Include& i : folder_includes(fs::path(KD_SOURCE_DIR) / "src")) {
        const auto own = layers.find(i.folder);
        const auto target = layers.find(i.target);
        if (own != layers.end() && target != layers.end() && target->second < own->second) {
            ADD_FAILURE() << i.file << ": " << i.line;
        }
    }
}

// Folders of one layer may include each other, but only one way: a pair that does both is one
// module in two folders, and neither can be built, tested or read without the other.
TEST(Layers, NoTwoFoldersIncludeEachOther) {
    std::map<std::pair<std::string, std::string>, std::string> example;
    for (const Include& i : folder_includes(fs::path(KD_SOURCE_DIR) / "src")) {
        if (i.folder != i.target) {
            example.emplace(std::pair(i.folder, i.target), i.file + ": " + i.line);
        }
    }
    for (const auto& [pair, there] : example) {
        const auto& [a, b] = pair;
        const auto back = example.find({b, a});
        if (a < b && back != example.end()) {
            ADD_FAILURE() << a << " and " << b << " include each other:\n  " << there << "\n  "
                          << back->second;
        }
    }
}

}  // namespace
