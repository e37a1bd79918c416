#include "files/export_file.h"

#include <cstdio>

#include "platform/profile_file.h"
#include "platform/text_encoding.h"
#include "store/error_reporter.h"
#include "store/note_lists.h"
#include "store/note_store.h"
#include "store/value_text.h"

namespace kd {

namespace et = export_texts;

namespace {

std::vector<std::string> split_at_separator(std::string_view text) {
    std::vector<std::string> pieces;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        if (i == text.size() || text[i] == lists::kListSeparator) {
            pieces.emplace_back(text.substr(start, i - start));
            start = i + 1;
        }
    }
    return pieces;
}

std::string join_pieces(const std::vector<std::string>& pieces, std::size_t count) {
    std::string out;
    for (std::size_t i = 0; i < count && i < pieces.size(); ++i) {
        if (i > 0) {
            out.push_back(lists::kListSeparator);
        }
        out += pieces[i];
    }
    return out;
}

// Characters `from` .. `from + length` of the stamp, as far as it has them.
std::string stamp_part(std::string_view stamp, std::size_t from, std::size_t length) {
    return from < stamp.size() ? std::string(stamp.substr(from, length)) : std::string();
}

std::string file_name_only(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

std::string export_stamp(const std::tm& local) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, et::kStampPattern, local.tm_mday % 100,
                  (local.tm_mon + 1) % 100, (local.tm_year + 1900) % 10000, local.tm_hour % 100,
                  local.tm_min % 100, local.tm_sec % 100);
    return buffer;
}

std::string export_index_entry(std::string_view title, std::string_view stamp) {
    const std::string tail = std::string(1, lists::kListSeparator) + std::string(stamp) +
                             lists::kListSeparator + et::kIndexWord;
    const std::size_t room =
        tail.size() < kLongestIndexEntry ? kLongestIndexEntry - tail.size() : 0;
    return cut_at_char_boundary(title, room) + tail;
}

std::string export_text(std::string_view utf8) {
    const std::optional<std::string> narrow = utf8_to_windows_1252(utf8);
    if (!narrow || *narrow == utf8 || is_valid_utf8(*narrow)) {
        return std::string(utf8);
    }
    return *narrow;
}

NoteRecord record_for_export_file(NoteRecord r) {
    for (std::string* text :
         {&r.EditFont, &r.EditFontType, &r.EditText, &r.TitleFont, &r.TitleFontType, &r.TitleText,
          &r.Minimized, &r.Border, &r.Hidden, &r.Expiration, &r.Alarm}) {
        *text = export_text(*text);
    }
    return r;
}

int append_to_export_file(NoteRecord record, const std::string& file, const std::tm& now,
                          const ErrorReporter& errors) {
    const int count = exported_note_count(file);
    if (count >= kMaxExportedNotes) {
        errors.report(et::kWriteError);
        return 0;
    }
    const int number = kFirstExportNumber + count;
    record.NoteID = number;
    StoreTransaction tx(file, errors);
    tx.set(lists::kMainSection, lists::kExportedNotesKey, std::to_string(count + 1));
    tx.set(lists::kMainSection, std::to_string(number),
           export_text(export_index_entry(record.TitleText, export_stamp(now))));
    tx.write_record(record_for_export_file(std::move(record)));
    return tx.commit(et::kWriteError) ? number : 0;
}

int exported_note_count(const std::string& file) {
    const int count = NoteLists::exported_notes(file);
    return count < 0 ? 0 : (count > kMaxExportedNotes ? kMaxExportedNotes : count);
}

std::vector<ExportIndexRow> read_export_rows(const std::string& file) {
    std::vector<ExportIndexRow> rows;
    const int count = exported_note_count(file);
    for (int number = kFirstExportNumber; number < kFirstExportNumber + count; ++number) {
        std::string entry = NoteLists::read_export_index(file, number);
        if (!entry.empty()) {
            rows.push_back({number, std::move(entry)});
        }
    }
    return rows;
}

bool read_exported_record(const NoteStore& store, const std::string& file, int number,
                          NoteRecord& record) {
    if (number < kFirstExportNumber || number > kFirstExportNumber + kMaxExportedNotes - 1) {
        return false;
    }
    return store.read_record(number, record, file);
}

ExportEntry parse_export_entry(std::string_view entry) {
    const std::vector<std::string> pieces = split_at_separator(entry);
    if (pieces.size() >= 3) {
        return {join_pieces(pieces, pieces.size() - 2), pieces[pieces.size() - 2]};
    }
    if (pieces.size() == 2) {
        return {pieces[0], pieces[1]};
    }
    return {std::string(entry), {}};
}

std::string export_date_cell(std::string_view stamp, std::string_view date_format) {
    const std::string day = stamp_part(stamp, 0, 2);
    const std::string month = stamp_part(stamp, 2, 2);
    const std::string year = stamp_part(stamp, 4, 4);
    namespace t = store_texts;
    if (date_format == t::kDateFormatDots) {
        return day + "." + month + "." + year;
    }
    if (date_format == t::kDateFormatDashes) {
        return day + "-" + month + "-" + year;
    }
    if (date_format == t::kDateFormatIso) {
        return year + "-" + month + "-" + day;
    }
    if (date_format == t::kDateFormatUs) {
        return month + "/" + day + "/" + year;
    }
    return {};
}

std::string export_time_cell(std::string_view stamp) {
    return stamp_part(stamp, 8, 2) + ":" + stamp_part(stamp, 10, 2) + ":" +
           stamp_part(stamp, 12, 2);
}

std::vector<std::string> stored_note_rows(const NoteStore& store, int count) {
    std::vector<std::string> rows;
    for (int n = 1; n <= count && n <= store_texts::kHighestRecord; ++n) {
        NoteRecord record;
        if (!store.read_record(n, record)) {
            continue;
        }
        const std::string_view hidden =
            record.Hidden == store_texts::kYes ? store_texts::kYes : store_texts::kNo;
        rows.push_back(record.TitleText + lists::kListSeparator + std::to_string(n) +
                       lists::kListSeparator + std::string(hidden) + lists::kListSeparator);
    }
    return rows;
}

NoteRowParts parse_note_row(std::string_view row) {
    std::vector<std::string> pieces = split_at_separator(row);
    // A row ends with "~": the last piece is empty and the number and mark come before it.
    if (!pieces.empty() && pieces.back().empty()) {
        pieces.pop_back();
    }
    if (pieces.size() < 3) {
        return {pieces.empty() ? std::string() : pieces[0], pieces.size() > 1 ? pieces[1] : "", {}};
    }
    return {join_pieces(pieces, pieces.size() - 2), pieces[pieces.size() - 2], pieces.back()};
}

std::string replace_or_append_question(const std::string& path) {
    const std::string name = file_name_only(path);
    std::string text = et::kReplaceOrAppend;
    const std::size_t at = text.find("%s");
    return text.replace(at, 2, name);
}

}  // namespace kd
