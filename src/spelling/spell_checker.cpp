#include "spelling/spell_checker.h"

#include <iconv.h>
#include <sys/stat.h>
#include <hunspell.hxx>

#include <algorithm>

#include "spelling/personal_words.h"

namespace kd {

namespace {

// Words remembered before the memory starts afresh.
constexpr std::size_t kMostKnownWords = 50000;

bool usable_file(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0 &&
           std::uintmax_t(st.st_size) <= kLargestDictionaryFile;
}

bool is_utf8(std::string_view encoding) {
    std::string folded;
    for (char c : encoding) {
        if (c != '-' && c != '_') {
            folded += char(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
        }
    }
    return folded.empty() || folded == "UTF8";
}

// Hunspell's names of the Windows code pages are "microsoft-cp1251" and the like.
std::string iconv_name(const std::string& encoding) {
    const std::string prefix = "microsoft-";
    return encoding.rfind(prefix, 0) == 0 ? encoding.substr(prefix.size()) : encoding;
}

// `text` from one character set to another; nothing when a character has no place there.
std::optional<std::string> convert(const std::string& to, const std::string& from,
                                   std::string_view text) {
    iconv_t cd = iconv_open(to.c_str(), from.c_str());
    if (cd == iconv_t(-1)) {
        return std::nullopt;
    }
    std::string in(text);
    std::string out(in.size() * 4 + 4, '\0');
    char* in_at = in.data();
    std::size_t in_left = in.size();
    char* out_at = out.data();
    std::size_t out_left = out.size();
    const std::size_t done = iconv(cd, &in_at, &in_left, &out_at, &out_left);
    iconv_close(cd);
    if (done == std::size_t(-1) || in_left != 0) {
        return std::nullopt;
    }
    out.resize(out.size() - out_left);
    return out;
}

}  // namespace

std::optional<DictionaryFiles> find_dictionary(const std::string& folder,
                                               const std::vector<std::string>& names) {
    for (const std::string& name : names) {
        std::string base = folder;
        base.append("/").append(name);
        DictionaryFiles files{base + ".aff", base + ".dic"};
        if (usable_file(files.aff) && usable_file(files.dic)) {
            return files;
        }
    }
    return std::nullopt;
}

std::unique_ptr<SpellChecker> SpellChecker::open(const DictionaryFiles& files) {
    if (!usable_file(files.aff) || !usable_file(files.dic)) {
        return nullptr;
    }
    auto hunspell = std::make_unique<Hunspell>(files.aff.c_str(), files.dic.c_str());
    std::string encoding = hunspell->get_dict_encoding();
    if (is_utf8(encoding)) {
        encoding.clear();
    } else {
        encoding = iconv_name(encoding);
        if (!convert(encoding, "UTF-8", "a")) {
            return nullptr;  // a character set this system cannot convert to
        }
    }
    return std::unique_ptr<SpellChecker>(new SpellChecker(std::move(hunspell), encoding));
}

SpellChecker::SpellChecker(std::unique_ptr<Hunspell> hunspell, std::string encoding)
    : hunspell_(std::move(hunspell)), encoding_(std::move(encoding)) {}

SpellChecker::~SpellChecker() = default;

std::optional<std::string> SpellChecker::to_dictionary(std::u16string_view word) const {
    std::string utf8 = to_utf8(word);
    if (encoding_.empty()) {
        return utf8;
    }
    return convert(encoding_, "UTF-8", utf8);
}

std::optional<std::u16string> SpellChecker::from_dictionary(const std::string& word) const {
    if (encoding_.empty()) {
        return from_utf8(word);
    }
    const std::optional<std::string> utf8 = convert("UTF-8", encoding_, word);
    return utf8 ? from_utf8(*utf8) : std::nullopt;
}

bool SpellChecker::is_correct(std::u16string_view word) {
    if (word.empty() || word.size() > kLongestCheckedWord) {
        return true;
    }
    const std::u16string key(word);
    if (const auto it = known_.find(key); it != known_.end()) {
        return it->second;
    }
    const std::optional<std::string> own = to_dictionary(word);
    const bool correct = !own || hunspell_->spell(*own);
    if (known_.size() >= kMostKnownWords) {
        known_.clear();
    }
    known_.emplace(key, correct);
    return correct;
}

std::vector<std::u16string> SpellChecker::suggestions(std::u16string_view word, std::size_t most) {
    std::vector<std::u16string> found;
    if (word.empty() || word.size() > kLongestCheckedWord) {
        return found;
    }
    const std::optional<std::string> own = to_dictionary(word);
    if (!own) {
        return found;
    }
    for (const std::string& suggestion : hunspell_->suggest(*own)) {
        if (found.size() >= most) {
            break;
        }
        std::optional<std::u16string> text = from_dictionary(suggestion);
        if (text && !text->empty() && text->size() <= kLongestCheckedWord &&
            std::find(found.begin(), found.end(), *text) == found.end()) {
            found.push_back(std::move(*text));
        }
    }
    return found;
}

void SpellChecker::accept(std::u16string_view word) {
    if (const std::optional<std::string> own = to_dictionary(word)) {
        hunspell_->add(*own);
    }
    known_.clear();
}

std::vector<WordSpan> SpellChecker::misspelt_words(std::u16string_view text, std::size_t most) {
    std::vector<WordSpan> misspelt;
    for (const WordSpan& w : words_to_check(text, most)) {
        if (!is_correct(text.substr(w.start, w.length))) {
            misspelt.push_back(w);
        }
    }
    return misspelt;
}

LoadedSpelling load_spelling(const SpellingSetup& setup) {
    LoadedSpelling loaded;
    loaded.personal = read_personal_words(setup.word_list);
    const std::optional<DictionaryFiles> files =
        find_dictionary(setup.dictionary_folder, dictionary_names(setup.locale));
    if (!files) {
        return loaded;
    }
    loaded.checker = SpellChecker::open(*files);
    if (!loaded.checker) {
        return loaded;
    }
    for (const std::u16string& word : loaded.personal) {
        loaded.checker->accept(word);
    }
    return loaded;
}

}  // namespace kd
