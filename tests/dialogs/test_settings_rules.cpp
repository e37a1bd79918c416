// The settings pages' rules without windows: what stored values show, the port and size
// checks, the default look's letters, and the network page's order of storing.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "dialogs/settings_rules.h"
#include "dialogs/settings_texts.h"
#include "store/note_store.h"
#include "support/app_paths_in.h"
#include "support/error_recorder.h"

namespace kd {
namespace {

namespace sr = settings_rules;

TEST(SettingsRules, PortRangeAndTheChangeMessage) {
    EXPECT_FALSE(sr::check_port("1024", "").valid);
    EXPECT_TRUE(sr::check_port("1025", "").valid);
    EXPECT_TRUE(sr::check_port("65534", "").valid);
    EXPECT_FALSE(sr::check_port("65535", "").valid);
    EXPECT_FALSE(sr::check_port("0", "").valid);
    EXPECT_FALSE(sr::check_port("", "").valid);
    EXPECT_FALSE(sr::check_port("x3000", "").valid);
    EXPECT_TRUE(sr::check_port("3000x", "").valid);

    // The message is for a port other than the stored one and other than the default.
    EXPECT_TRUE(sr::check_port("3000", "").changed_message);
    EXPECT_FALSE(sr::check_port("2000", "").changed_message);
    EXPECT_FALSE(sr::check_port("2000", "3000").changed_message);
    EXPECT_FALSE(sr::check_port("3000", "3000").changed_message);
    EXPECT_TRUE(sr::check_port("4000", "3000").changed_message);
    EXPECT_FALSE(sr::check_port("1024", "3000").changed_message);
}

TEST(SettingsRules, DefaultSizeLimits) {
    using C = sr::SizeCheck;
    EXPECT_EQ(sr::check_default_size("60", "30", 1280, 1024), C::Store);
    EXPECT_EQ(sr::check_default_size("59", "30", 1280, 1024), C::TooSmall);
    EXPECT_EQ(sr::check_default_size("60", "29", 1280, 1024), C::TooSmall);
    EXPECT_EQ(sr::check_default_size("0", "0", 1280, 1024), C::Store);
    EXPECT_EQ(sr::check_default_size("", "", 1280, 1024), C::Store);
    EXPECT_EQ(sr::check_default_size("1280", "1024", 1280, 1024), C::Store);
    EXPECT_EQ(sr::check_default_size("1281", "20", 1280, 1024), C::TooBig);  // checked first
    EXPECT_EQ(sr::check_default_size("abc", "300", 1280, 1024), C::TooSmall);
}

TEST(SettingsRules, EmptyValuesShowAsTheProgramTreatsThemOnTheirPage) {
    EXPECT_TRUE(ticked_of(Setting::ShowScrollBar, ""));
    EXPECT_FALSE(ticked_of(Setting::ShowScrollBar, "No"));
    EXPECT_TRUE(ticked_of(Setting::ShowCloseButton, ""));
    EXPECT_FALSE(ticked_of(Setting::ShowCloseButton, "No"));
    EXPECT_FALSE(ticked_of(Setting::ShowTaskBar, ""));
    EXPECT_TRUE(ticked_of(Setting::ShowTaskBar, "Maybe"));
    EXPECT_FALSE(ticked_of(Setting::ShowTaskBar, "No"));
    EXPECT_FALSE(ticked_of(Setting::RandomThemes, ""));
    EXPECT_TRUE(ticked_of(Setting::RandomThemes, "Maybe"));
    EXPECT_FALSE(ticked_of(Setting::RandomThemes, "No"));
    // PlaySound and the other network pairs.
    EXPECT_FALSE(ticked_of(Setting::PlaySound, ""));
    EXPECT_EQ(shown_choice_of(Setting::AfterSend, ""), 1);
    EXPECT_EQ(shown_choice_of(Setting::AfterSend, "ShowIcon"), 0);
    EXPECT_EQ(shown_choice_of(Setting::DefaultPictureFormat, "bmp"), 1);
    EXPECT_EQ(shown_choice_of(Setting::DefaultPictureFormat, "png"), -1);
    EXPECT_EQ(shown_choice_of(Setting::OnChangeTheme, ""), 0);
    EXPECT_EQ(shown_choice_of(Setting::OnChangeTheme, "Colors"), 1);
    EXPECT_EQ(shown_choice_of(Setting::OnChangeTheme, "other"), 1);
    EXPECT_EQ(sr::date_format_index("MM/DD/YYYY"), 3);
    EXPECT_EQ(sr::date_format_index("D.M.Y"), -1);
}

TEST(SettingsRules, TitleLettersKeepExactlyOneAlignment) {
    EXPECT_EQ(sr::title_align("BRC"), sr::Align::Center);  // tested L, C, R in turn
    EXPECT_EQ(sr::title_align("BI"), sr::Align::None);
    EXPECT_EQ(sr::with_title_align("BLCR", sr::Align::Right), "BR");
    EXPECT_EQ(sr::with_title_align("BC", sr::Align::None), "B");
    EXPECT_EQ(sr::title_letters_after_font("BC", "U"), "UC");
    EXPECT_EQ(sr::font_description("Arial", 10, "BUC"), " Arial, 10, BU");
    EXPECT_EQ(sr::font_description("Arial", 9, "L"), " Arial, 9, R");
    EXPECT_EQ(sr::chosen_style_letters(700, true, false, true), "BIS");
    EXPECT_EQ(sr::chosen_style_letters(600, false, false, false), "");
}

class SettingsStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        set_app_paths(test::app_paths_in(dir_.path().toStdString()));
    }
    QTemporaryDir dir_;
    NoteStore store{app_paths(), test::store_errors()};
};

TEST_F(SettingsStoreTest, InvalidIpIdentityLeavesTheFirstFiveSettingsStored) {
    sr::NetworkValues v;
    v.read_on_start = true;
    v.email_on_start = true;
    v.send_errors = true;
    v.after_send = 0;
    v.ask_reply = true;
    v.kind = send_dialog::SenderKind::IpAddress;
    v.sender_text = "10.0.0.x";
    v.read_interval = "5";
    v.port = "3000";
    const sr::NetworkOutcome out = sr::apply_network(store, v);
    EXPECT_FALSE(out.ok);
    EXPECT_STREQ(out.error, settings_texts::kIpInvalid);
    EXPECT_EQ(out.focus, sr::NetworkOutcome::Focus::KindBox);
    EXPECT_FALSE(out.intervals_stored);
    EXPECT_EQ(store.settings().text(Setting::ReadNetworkOnStart), "Yes");
    EXPECT_EQ(store.settings().text(Setting::CheckEmailOnStart), "Yes");
    EXPECT_EQ(store.settings().text(Setting::ShowSendErrorMessage), "Yes");
    EXPECT_EQ(store.settings().text(Setting::AfterSend), "ShowIcon");
    EXPECT_EQ(store.settings().text(Setting::AskWhenReply), "Yes");
    EXPECT_EQ(store.settings().text(Setting::ReadNetworkInterval), "");
    EXPECT_EQ(store.settings().text(Setting::CommunicationPort), "");

    // A refused port still leaves everything before it stored, the intervals included.
    v.kind = send_dialog::SenderKind::Name;
    v.sender_text = "Anna";
    v.port = "65535";
    const sr::NetworkOutcome port = sr::apply_network(store, v);
    EXPECT_FALSE(port.ok);
    EXPECT_EQ(port.focus, sr::NetworkOutcome::Focus::PortEdit);
    EXPECT_TRUE(port.intervals_stored);
    EXPECT_EQ(port.read_interval, 5);
    EXPECT_EQ(store.settings().text(Setting::SentFrom), "Name:Anna");
    EXPECT_EQ(store.settings().text(Setting::CheckEmailInterval), "0");
    EXPECT_EQ(store.settings().text(Setting::DefaultPictureFormat), "jpg");
    EXPECT_EQ(store.settings().text(Setting::CommunicationPort), "");

    v.port = "3000x";
    v.kind = send_dialog::SenderKind::ComputerName;
    const sr::NetworkOutcome done = sr::apply_network(store, v);
    EXPECT_TRUE(done.ok);
    EXPECT_TRUE(done.port_changed);
    EXPECT_EQ(store.settings().text(Setting::CommunicationPort), "3000x");
    EXPECT_EQ(store.settings().text(Setting::SentFrom), "");
    EXPECT_EQ(store.settings().text(Setting::PlaySound), "No");
}

TEST_F(SettingsStoreTest, EmptyNameIsRefusedWithoutAnIcon) {
    sr::NetworkValues v;
    v.kind = send_dialog::SenderKind::Name;
    v.sender_text = "  ";
    const sr::NetworkOutcome out = sr::apply_network(store, v);
    EXPECT_FALSE(out.ok);
    EXPECT_FALSE(out.error_icon);
    EXPECT_STREQ(out.error, "Name in \"Default sent from:\" field can not be empty ...");
}

TEST_F(SettingsStoreTest, GeneralPageClearsAnUncheckedLock) {
    store.settings().set_show_all_lock(true, "pw");
    sr::GeneralValues v;
    v.date_format = "YYYY-MM-DD";
    v.lock_checked = true;
    sr::apply_general(store, v);
    EXPECT_EQ(store.settings().text(Setting::ShowAllPasswordYesNo), "Yes");
    EXPECT_EQ(store.settings().text(Setting::DefaultDateFormat), "YYYY-MM-DD");
    EXPECT_EQ(store.settings().text(Setting::DisableHotkey), "No");
    v.lock_checked = false;
    sr::apply_general(store, v);
    EXPECT_EQ(store.settings().text(Setting::ShowAllPasswordYesNo), "No");
    EXPECT_EQ(store.settings().show_all_password(), "");
}

}  // namespace
}  // namespace kd
