#include "net/note_receiver.h"

#include <cstdio>
#include <ctime>

#include "note/note_bounds.h"
#include "platform/profile_file.h"
#include "platform/text_encoding.h"
#include "store/settings.h"

namespace kd {

namespace {

constexpr const char* kQueueFullText =
    "korvadesk: notes from other computers are not accepted while %zu wait to be shown\n";

void replace_all(std::string& text, std::string_view what, std::string_view with) {
    std::size_t pos = 0;
    while ((pos = text.find(what, pos)) != std::string::npos) {
        text.replace(pos, what.size(), with);
        pos += with.size();
    }
}

}  // namespace

ReceivedNoteQueue::ReceivedNoteQueue(NoteLists lists, ReceivedSpool::Limits limits)
    : lists_(std::move(lists)),
      spool_(std::make_shared<ReceivedSpool>(received_spool_path(lists_.ini_path()),
                                             lists_.spool_taken_mark(), limits)) {}

ReceivedSpool::Append ReceivedNoteQueue::append(std::string_view message, std::string_view from,
                                                std::time_t arrived) {
    return spool_->append(message, from, arrived);
}

std::vector<QueuedMessage> ReceivedNoteQueue::peek(const QueueTaking& skip, std::size_t limit) {
    std::vector<QueuedMessage> out;
    // Left by an older version: they came first.
    if (!old_slots_done_) {
        bool any = false;
        for (int slot : lists_.network_mailbox_keys()) {
            if (skip.file_slots.contains(slot)) {
                any = true;
                continue;
            }
            std::string message = lists_.read_network_mailbox(slot);
            if (message.empty()) {
                continue;
            }
            any = true;
            if (out.size() < limit) {
                out.push_back({slot, 0, std::move(message), {}, 0});
            }
        }
        old_slots_done_ = !any;
    }
    if (out.size() < limit) {
        for (SpoolRecord& r : spool_->peek(skip.through, limit - out.size())) {
            out.push_back({-1, r.id, std::move(r.message), std::move(r.from), r.arrived});
        }
    }
    return out;
}

bool ReceivedNoteQueue::commit(StoreTransaction& tx, const QueueTaking& taking) {
    for (int slot : taking.file_slots) {
        lists_.take_network_mailbox(slot, tx);
    }
    if (taking.through > 0) {
        tx.set(spool::kTakenSection, spool::kTakenKey, spool_->taken_mark(taking.through));
    }
    if (!tx.commit()) {
        return false;
    }
    if (taking.through > 0) {
        // The records leave the spool file only once the settings file on disk holds their
        // notes and the mark; until then a crash must find them there.
        const std::uint64_t through = taking.through;
        spool_->set_aside_through(through);
        ProfileFile::when_written(tx.file(), [spool = std::weak_ptr(spool_), through] {
            if (const auto kept = spool.lock()) {
                kept->taken_through(through);
            }
        });
    }
    return true;
}

std::string received_from_text(std::string_view address, int hour, int minute) {
    char text[128];
    if (address.empty()) {
        std::snprintf(text, sizeof text, kReceivedByEmailFormat, hour, minute);
    } else {
        const std::string a(address.substr(0, 64));
        std::snprintf(text, sizeof text, kReceivedFromFormat, a.c_str(), hour, minute);
    }
    return text;
}

ReceivedTitle derive_received_title(std::string_view parsed_title,
                                    std::string_view title_font_type) {
    ReceivedTitle out;
    const bool named = !parsed_title.starts_with(kNamePrefix);
    if (named) {
        auto blank = parsed_title.find(' ');
        if (blank != std::string_view::npos) {
            out.reply_address.assign(parsed_title.substr(0, blank));
        }
    }
    out.title.assign(parsed_title);
    if (named && !out.reply_address.empty() && out.reply_address != kAnonymousSender) {
        out.can_reply = true;
        return out;
    }
    replace_all(out.title, std::string(kAnonymousSender) + " ", "");
    if (!named) {
        replace_all(out.title, kNamePrefix, "");
    }
    // Keeps the title off the edge the alignment puts it on.
    if (title_font_type.find('L') != std::string_view::npos) {
        out.title.insert(out.title.begin(), ' ');
    } else if (title_font_type.find('R') != std::string_view::npos) {
        out.title.push_back(' ');
    }
    return out;
}

ReceivedNote make_received_note(NoteRecord record) {
    ReceivedNote note;
    note.shown = derive_received_title(record.TitleText, record.TitleFontType);
    record.TitleText = note.shown.title;
    // A received note is new, unrolled and visible, and takes the place of a new note.
    record.NoteID = 0;
    record.Minimized.clear();
    record.Hidden.clear();
    record.Left = 0;
    record.Top = 0;
    // A peer chooses every number: bounded before anything is sized or stored from them.
    note.record = bounded_note_record(std::move(record), kLargestDesktop);
    return note;
}

NoteReceiver::NoteReceiver(NoteLists lists, Options options, const Clock& clock)
    : lists_(std::move(lists)),
      options_(std::move(options)),
      clock_(clock),
      queue_(lists_, options_.queue_limits),
      server_(
          ReceiveServer::Options{
              options_.bind_address,
              // The lists' file rather than NoteStore's, which is IniPath.
              [settings = lists_.settings()] {
                  return static_cast<std::uint16_t>(settings.number(Setting::CommunicationPort));
              },
              options_.receive_timeout,
              kListenBacklog,
              kMaxOpenConnections,
              options_.notes_per_computer.value_or(notes_per_computer_from_text(
                  lists_.settings().text(Setting::MaxNotesPerComputerPerMinute))),
              {},
              [this] {
                  if (arrival_) {
                      arrival_();
                  }
              }},
          [this](const std::string& message, const std::string& from) {
              return keep(message, from);
          },
          [this](const std::string& report) {
              network_available_ = false;
              std::lock_guard lock(error_mutex_);
              error_pending_ = report;
          },
          [this] { attack_pending_ = true; }) {}

NoteReceiver::~NoteReceiver() {
    server_.stop();
}

void NoteReceiver::start_server() {
    server_.start();
}

void NoteReceiver::stop_server() {
    server_.stop();
}

bool NoteReceiver::keep(const std::string& message, const std::string& from) {
    switch (queue_.append(message, from, clock_.now())) {
        case ReceivedSpool::Append::Kept:
            return true;
        case ReceivedSpool::Append::Full: {
            const auto now = std::chrono::steady_clock::now();
            if (full_told_ == std::chrono::steady_clock::time_point{} ||
                now - full_told_ >= std::chrono::minutes(1)) {
                full_told_ = now;
                std::fprintf(stderr, kQueueFullText, queue_.waiting());
            }
            return false;
        }
        case ReceivedSpool::Append::Failed:
            return false;
    }
    return false;
}

std::optional<ReceivedNote> NoteReceiver::receive(std::string_view message, int hour, int minute,
                                                  bool& rejected) {
    ParsedMessage parsed = parse_note_message(text_as_utf8(message), hour, minute);
    if (parsed.rejected()) {
        // A rejected message makes no note.
        rejected = true;
        return std::nullopt;
    }
    return make_received_note(std::move(parsed.record));
}

ReceiveTickResult NoteReceiver::tick(const NoteMaker& make_notes) {
    const std::tm local = clock_.local_now();
    return tick(local.tm_hour, local.tm_min, make_notes);
}

ReceiveTickResult NoteReceiver::tick(int hour, int minute, const NoteMaker& make_notes) {
    return tick_taking(hour, minute, options_.notes_per_tick, make_notes);
}

ReceiveTickResult NoteReceiver::tick_without_queue(const NoteMaker& make_notes) {
    const std::tm local = clock_.local_now();
    return tick_without_queue(local.tm_hour, local.tm_min, make_notes);
}

ReceiveTickResult NoteReceiver::tick_without_queue(int hour, int minute,
                                                   const NoteMaker& make_notes) {
    return tick_taking(hour, minute, 0, make_notes);
}

ReceiveTickResult NoteReceiver::tick_taking(int hour, int minute, std::size_t most_queued,
                                            const NoteMaker& make_notes) {
    ReceiveTickResult result;
    bool rejected = false;
    QueueTaking taking = in_flight_;
    if (most_queued > 0) {
        result.taken = take_queued(hour, minute, most_queued, result.notes, taking, rejected);
    }
    const bool empty_mailbox = take_email(hour, minute, result.notes, rejected);
    if (!taking.empty() || empty_mailbox) {
        result.store_failed = !store_taken(result.notes, taking, empty_mailbox, make_notes);
    }
    after_taking(rejected, result);
    return result;
}

ReceiveTickResult NoteReceiver::take_next(const NoteMaker& make_notes) {
    const std::tm local = clock_.local_now();
    return take_next(local.tm_hour, local.tm_min, make_notes);
}

ReceiveTickResult NoteReceiver::take_next(int hour, int minute, const NoteMaker& make_notes) {
    ReceiveTickResult result;
    if (!in_flight_.empty() || email_in_flight_) {
        return result;
    }
    bool rejected = false;
    QueueTaking taking;
    result.taken =
        take_queued(hour, minute, options_.notes_per_tick, result.notes, taking, rejected);
    if (!taking.empty()) {
        result.store_failed = !store_taken(result.notes, taking, false, make_notes);
    }
    after_taking(rejected, result);
    return result;
}

void NoteReceiver::after_taking(bool rejected, ReceiveTickResult& result) {
    result.play_sound = !result.notes.empty() && lists_.settings().flag(Setting::PlaySound);
    if (rejected) {
        server_.stop();
        attack_pending_ = true;
    }
    result.attack = attack_pending_.exchange(false);
    std::lock_guard lock(error_mutex_);
    result.network_error = std::move(error_pending_);
    error_pending_.clear();
}

std::size_t NoteReceiver::take_queued(int hour, int minute, std::size_t most,
                                      std::vector<ReceivedNote>& notes, QueueTaking& taking,
                                      bool& rejected) {
    const std::vector<QueuedMessage> waiting = queue_.peek(taking, most);
    for (const QueuedMessage& queued : waiting) {
        taking.add(queued);
        // A message that is not whole (left by an older version) is dropped.
        if (!is_complete_message(queued.message)) {
            continue;
        }
        if (auto note = receive(queued.message, hour, minute, rejected)) {
            if (!queued.from.empty()) {
                std::tm arrived{};
                const std::time_t when = queued.arrived;
                ::localtime_r(&when, &arrived);
                note->received_from =
                    received_from_text(queued.from, arrived.tm_hour, arrived.tm_min);
            }
            notes.push_back(std::move(*note));
        }
    }
    return waiting.size();
}

bool NoteReceiver::take_email(int hour, int minute, std::vector<ReceivedNote>& notes,
                              bool& rejected) {
    // The e-mail reader waits for this mailbox to be empty, so it is emptied whatever it holds.
    if (email_in_flight_) {
        return true;
    }
    const std::string mail = lists_.read_email_mailbox();
    if (is_complete_message(mail)) {
        if (auto note = receive(mail, hour, minute, rejected)) {
            note->received_from = received_from_text({}, hour, minute);
            notes.push_back(std::move(*note));
        }
    }
    return !mail.empty();
}

bool NoteReceiver::store_taken(std::vector<ReceivedNote>& notes, const QueueTaking& taking,
                               bool empty_mailbox, const NoteMaker& make_notes) {
    // The notes and the emptied mailboxes reach the file in one replace.
    StoreTransaction tx(lists_.ini_path(), lists_.errors());
    if (make_notes) {
        make_notes(notes, tx);
    }
    if (empty_mailbox) {
        lists_.take_email_mailbox(tx);
    }
    const bool stored = queue_.commit(tx, taking);
    // Not stored: the messages stay queued and are not shown again in this run; the next tick
    // tries the commit again.
    in_flight_ = stored ? QueueTaking{} : taking;
    email_in_flight_ = !stored && empty_mailbox;
    return stored;
}

}  // namespace kd
