// The steps of one inbox check against an inbox and a user interface of the test's own: what
// is handed to the mailbox, what is deleted, and what the user is told.
#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <map>
#include <mutex>
#include <thread>

#include "mail/email_check.h"
#include "mail/mail_texts.h"
#include "platform/profile_file.h"
#include "store/settings_writer.h"
#include "support/error_recorder.h"
#include "support/wait_for.h"

namespace kd::mail {
namespace {

using namespace std::chrono_literals;

struct FakeInbox : Inbox {
    std::map<std::string, ReadMail> mails;  // by id, in order
    MailResult logon_result = MailResult::Ok;
    std::set<std::string> fail_read, fail_remove;
    std::vector<std::string> removed;

    MailResult logon(const MailLogon&) override { return logon_result; }
    std::optional<std::vector<std::string>> message_ids() override {
        std::vector<std::string> ids;
        for (const auto& [id, mail] : mails)
            ids.push_back(id);
        return ids;
    }
    std::optional<ReadMail> read(const std::string& id) override {
        if (fail_read.count(id))
            return std::nullopt;
        return mails.at(id);
    }
    std::function<void()> on_remove;
    bool remove(const std::string& id) override {
        if (fail_remove.count(id))
            return false;
        if (on_remove)
            on_remove();
        removed.push_back(id);
        return true;
    }
    bool logoff() override { return true; }
};

struct FakeUi : CheckUi {
    bool is_online = true, offline_answer = false, cancel_logon = false, refused = false;
    int started = 0, ended = 0;
    std::vector<std::string> told;
    void check_started() override { ++started; }
    void check_ended() override { ++ended; }
    void set_exit_enabled(bool) override {}
    bool online() override { return is_online; }
    bool ask_offline() override {
        told.push_back(kOfflineCheck);
        return offline_answer;
    }
    std::optional<MailLogon> logon() override {
        if (cancel_logon)
            return std::nullopt;
        return MailLogon{{"smtp://h", "imap://imap.example.com:993", "u", ""}, "p"};
    }
    void logon_refused() override { refused = true; }
    void tell(const std::string& text, bool) override { told.push_back(text); }
};

ReadMail note_mail(const std::string& message) {
    return {std::string(kSubjectPrefix) + " anna", note_email_body("anna", "text", message, false)};
}

class EmailCheckTest : public ::testing::Test {
protected:
    void SetUp() override { std::filesystem::create_directories(dir_); }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    // Runs the check on its own thread while this thread plays the tick: it takes each
    // message from the mailbox and keeps it.
    CheckResult run_with_tick(std::vector<std::string>& taken) {
        CheckResult result;
        std::atomic<bool> done{false};
        std::thread check([&] {
            result = run_email_check(ui_, inbox_, lists_, stop_, 5ms);
            done = true;
        });
        while (!done) {
            test::wait_for([&] { return done || !lists_.read_email_mailbox().empty(); }, 10s, 1ms);
            const std::string message = lists_.read_email_mailbox();
            if (!message.empty()) {
                taken.push_back(message);
                lists_.write_email_mailbox("");
            }
        }
        check.join();
        return result;
    }

    std::filesystem::path dir_ = std::filesystem::temp_directory_path() /
                                 ("kd-email-check-" + std::to_string(::getpid()) + "-" +
                                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
    NoteLists lists_{(dir_ / "Korvadesk.ini").string(), (dir_ / "Korvadesk.net").string(),
                     test::store_errors()};
    FakeInbox inbox_;
    FakeUi ui_;
    StopSignal stop_;
};

TEST_F(EmailCheckTest, AMailIsDeletedOnlyOnceTheSettingsFileOnDiskHoldsItsNote) {
    // The settings file written behind the interface, by a writer held up by the test.
    std::mutex gate;
    std::condition_variable opened;
    bool open = false;
    std::atomic<bool> on_disk{false};
    SettingsWriter writer(
        lists_.ini_path(), test::store_errors(),
        [&](const std::string& path, std::string_view content, std::uint64_t generation) {
            std::unique_lock lock(gate);
            opened.wait(lock, [&] { return open; });
            const bool ok = ProfileFile::replace_now(path, content, generation);
            on_disk = ok && lists_.read_email_mailbox().empty();
            return ok;
        });
    std::atomic<bool> removed_early{false};
    std::atomic<bool> removed{false};
    inbox_.on_remove = [&] {
        removed_early = !on_disk;
        removed = true;
    };
    inbox_.mails["1"] = note_mail("first~");

    CheckResult result;
    std::thread check([&] { result = run_email_check(ui_, inbox_, lists_, stop_, 5ms); });
    ASSERT_TRUE(test::wait_for([&] { return !lists_.read_email_mailbox().empty(); }, 10s, 1ms));
    // The tick took it: read back at once, but not on disk yet.
    ASSERT_TRUE(lists_.write_email_mailbox(""));
    std::this_thread::sleep_for(200ms);
    EXPECT_FALSE(removed);
    {
        std::lock_guard lock(gate);
        open = true;
    }
    opened.notify_all();
    check.join();
    EXPECT_TRUE(removed);
    EXPECT_FALSE(removed_early);
    EXPECT_EQ(inbox_.removed, (std::vector<std::string>{"1"}));
}

TEST_F(EmailCheckTest, NoteMailsBecomeMessagesInOrderAndAreDeleted) {
    inbox_.mails["1"] = note_mail("first~");
    inbox_.mails["2"] = {"Lunch?", "<BEGIN>not a note~<END>"};
    inbox_.mails["3"] = note_mail("sec\r\nond~");
    // The prefix without markers: deleted, counted, no note.
    inbox_.mails["4"] = {std::string(kSubjectPrefix) + " bob", "no markers"};
    std::vector<std::string> taken;
    const CheckResult result = run_with_tick(taken);
    EXPECT_EQ(taken, (std::vector<std::string>{"first~", "second~"}));
    EXPECT_EQ(inbox_.removed, (std::vector<std::string>{"1", "3", "4"}));
    EXPECT_EQ(result.note_mails, 3);
    EXPECT_EQ(result.notes, 2);
    EXPECT_TRUE(ui_.told.empty());
    EXPECT_EQ(ui_.started, 1);
    EXPECT_EQ(ui_.ended, 1);
}

TEST_F(EmailCheckTest, NoteDataIsBoundedAndCheckedLikeANetworkMessage) {
    // Every line end goes, also a lone one that no mail program wraps with (it would make the
    // mailbox unwritable and the e-mail stay in the inbox for ever).
    inbox_.mails["1"] = {std::string(kSubjectPrefix) + " a",
                         "<BEGIN>lone\nfeed\rand\r\npair~<END>"};
    // Longer than a network message may be, and cut (no final "~"): no note, but deleted.
    inbox_.mails["2"] = note_mail(std::string(10300, 'x') + "~");
    inbox_.mails["3"] = note_mail("cut");
    // Windows-1252 bytes are read as such.
    inbox_.mails["4"] = note_mail("caf\xE9~");
    std::vector<std::string> taken;
    const CheckResult result = run_with_tick(taken);
    EXPECT_EQ(taken, (std::vector<std::string>{"lonefeedandpair~", "caf\xC3\xA9~"}));
    EXPECT_EQ(inbox_.removed, (std::vector<std::string>{"1", "2", "3", "4"}));
    EXPECT_EQ(result.note_mails, 4);
    EXPECT_TRUE(ui_.told.empty());
}

TEST_F(EmailCheckTest, ReportsNothingFoundAndFailures) {
    inbox_.mails["1"] = {"Hello", "x"};
    std::vector<std::string> taken;
    run_with_tick(taken);
    EXPECT_EQ(ui_.told, (std::vector<std::string>{kNoneFound}));

    ui_.told.clear();
    inbox_.mails["2"] = note_mail("a~");
    inbox_.mails["3"] = note_mail("b~");
    inbox_.mails["4"] = note_mail("c~");
    inbox_.fail_remove = {"2"};
    inbox_.fail_read = {"4"};
    run_with_tick(taken);
    // A failed deletion goes on with the next message; a failed read ends the loop.
    EXPECT_EQ(taken, (std::vector<std::string>{"a~", "b~"}));
    EXPECT_EQ(ui_.told, (std::vector<std::string>{kDeleteFailed, kReadFailed}));
}

TEST_F(EmailCheckTest, LogonRefusedOfflineAndCancelEndTheCheck) {
    inbox_.mails["1"] = note_mail("a~");
    inbox_.logon_result = MailResult::LoginDenied;
    std::vector<std::string> taken;
    EXPECT_FALSE(run_with_tick(taken).logged_on);
    EXPECT_TRUE(ui_.refused);
    EXPECT_EQ(ui_.told, (std::vector<std::string>{kLogonFailed}));

    // A server that stopped answering: the password is forgotten just the same.
    ui_.refused = false;
    ui_.told.clear();
    inbox_.logon_result = MailResult::TimedOut;
    EXPECT_FALSE(run_with_tick(taken).logged_on);
    EXPECT_TRUE(ui_.refused);
    EXPECT_EQ(ui_.told, (std::vector<std::string>{kLogonFailed}));

    // A server refused for its encryption is named, and the logon dialog comes again.
    ui_.refused = false;
    ui_.told.clear();
    inbox_.logon_result = MailResult::CertificateOtherName;
    EXPECT_FALSE(run_with_tick(taken).logged_on);
    EXPECT_TRUE(ui_.refused);
    EXPECT_EQ(ui_.told, (std::vector<std::string>{
                            refusal_text(MailResult::CertificateOtherName, "imap.example.com")}));

    inbox_.logon_result = MailResult::Ok;
    ui_.told.clear();
    ui_.is_online = false;
    EXPECT_FALSE(run_with_tick(taken).logged_on);
    EXPECT_EQ(ui_.told, (std::vector<std::string>{kOfflineCheck}));

    ui_.is_online = true;
    ui_.cancel_logon = true;
    ui_.told.clear();
    EXPECT_FALSE(run_with_tick(taken).logged_on);
    EXPECT_TRUE(ui_.told.empty());
    EXPECT_TRUE(taken.empty());
    EXPECT_EQ(ui_.ended, 5);
}

TEST_F(EmailCheckTest, StopWhileWaitingKeepsTheMail) {
    inbox_.mails["1"] = note_mail("a~");
    CheckResult result;
    std::thread check([&] { result = run_email_check(ui_, inbox_, lists_, stop_, 5ms); });
    ASSERT_TRUE(test::wait_for([&] { return !lists_.read_email_mailbox().empty(); }, 10s));
    stop_.request();
    check.join();
    EXPECT_TRUE(inbox_.removed.empty());
    EXPECT_EQ(result.notes, 0);
    EXPECT_TRUE(ui_.told.empty());
    EXPECT_EQ(ui_.ended, 1);
}

}  // namespace
}  // namespace kd::mail
