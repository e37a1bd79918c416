// The modules of this build (pictures, mail, sound) as the program opens them, and what it says
// when one cannot be opened.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>
#include <vector>

#include "files/picture_module.h"
#include "mail/mail_module.h"
#include "net/sound_module.h"
#include "platform/library_modules.h"

namespace kd {
namespace {

const std::string kModules = KD_BINARY_DIR "/modules";

struct Said {
    std::vector<std::string> messages;
    LibraryModules::Reporter reporter() {
        return [this](const std::string& m) { messages.push_back(m); };
    }
};

TEST(LibraryModules, EveryModuleOfTheBuildGivesItsTable) {
    Said said;
    const LibraryModules modules(kModules, said.reporter());
    const auto* pictures = static_cast<const PictureModuleTable*>(
        modules.table(kPictureModule, kPictureModuleSymbol, kPictureFeature));
    ASSERT_NE(pictures, nullptr);
    // Called across the module's edge: a file that is no picture fails, nothing more.
    EXPECT_FALSE(pictures->bmp_to_png(kModules + "/none.bmp", kModules + "/none.png"));
    EXPECT_NE(modules.table(mail::kMailModule, mail::kMailModuleSymbol, mail::kMailFeature),
              nullptr);
    EXPECT_NE(modules.table(kSoundModule, kSoundModuleSymbol, kSoundFeature), nullptr);
    // A second use finds the loaded module again.
    EXPECT_EQ(modules.table(kPictureModule, kPictureModuleSymbol, kPictureFeature), pictures);
    EXPECT_TRUE(said.messages.empty());
}

TEST(LibraryModules, WhatCannotBeLoadedIsSaidEachTimeWithItsPathAndReason) {
    const std::string folder = ::testing::TempDir() + "kd-modules-XXXXXX";
    std::string made = folder;
    ASSERT_NE(mkdtemp(made.data()), nullptr);
    // A module that is no shared object.
    {
        std::FILE* f = std::fopen((made + "/korvadesk-mail.so").c_str(), "w");
        std::fputs("x", f);
        std::fclose(f);
    }
    Said said;
    const LibraryModules modules(made, said.reporter());
    EXPECT_EQ(modules.table(kPictureModule, kPictureModuleSymbol, kPictureFeature), nullptr);
    EXPECT_EQ(modules.table(kPictureModule, kPictureModuleSymbol, kPictureFeature), nullptr);
    EXPECT_EQ(modules.table(mail::kMailModule, mail::kMailModuleSymbol, mail::kMailFeature),
              nullptr);
    ASSERT_EQ(said.messages.size(), 3u);
    const std::string& first = said.messages[0];
    EXPECT_NE(first.find(kPictureFeature), std::string::npos) << first;
    EXPECT_NE(first.find(made + "/korvadesk-pictures.so"), std::string::npos) << first;
    EXPECT_NE(first.find("No such file"), std::string::npos) << first;
    EXPECT_NE(said.messages[2].find("korvadesk-mail.so"), std::string::npos);
    std::filesystem::remove_all(made);
}

TEST(LibraryModules, FindSaysNothingAndItsReasonIsToldLaterAsTableTellsIt) {
    Said said;
    const LibraryModules modules(::testing::TempDir() + "kd-no-modules", said.reporter());
    std::string reason;
    EXPECT_EQ(modules.find(kSoundModule, kSoundModuleSymbol, reason), nullptr);
    EXPECT_TRUE(said.messages.empty());
    EXPECT_NE(reason.find("No such file"), std::string::npos) << reason;
    modules.report_missing(kSoundModule, kSoundFeature, reason);
    EXPECT_EQ(modules.table(kSoundModule, kSoundModuleSymbol, kSoundFeature), nullptr);
    ASSERT_EQ(said.messages.size(), 2u);
    EXPECT_EQ(said.messages[0], said.messages[1]);

    const LibraryModules ours(kModules, said.reporter());
    EXPECT_NE(ours.find(kSoundModule, kSoundModuleSymbol, reason), nullptr);
}

TEST(LibraryModules, AModuleOfAnotherLayoutOrAFolderNotAbsoluteIsRefused) {
    Said said;
    const LibraryModules modules(kModules, said.reporter());
    EXPECT_EQ(modules.table(kPictureModule, "korvadesk_picture_module_0", kPictureFeature),
              nullptr);
    ASSERT_EQ(said.messages.size(), 1u);
    EXPECT_NE(said.messages[0].find("another version"), std::string::npos) << said.messages[0];

    // A relative folder would be looked up from wherever the program was started.
    const LibraryModules relative("modules", said.reporter());
    EXPECT_EQ(relative.table(kPictureModule, kPictureModuleSymbol, kPictureFeature), nullptr);
    EXPECT_EQ(said.messages.size(), 2u);
    // Services made without modules say nothing.
    EXPECT_EQ(LibraryModules().table(kSoundModule, kSoundModuleSymbol, kSoundFeature), nullptr);
}

TEST(LibraryModules, TheFolderIsTheInstalledOneWhenItExistsElseTheBuildTreesOne) {
    EXPECT_EQ(module_folder(""), "");
    EXPECT_EQ(module_folder("bin"), "");
    std::string root = ::testing::TempDir() + "kd-program-XXXXXX";
    ASSERT_NE(mkdtemp(root.data()), nullptr);
    std::filesystem::create_directories(root + "/bin");
    EXPECT_EQ(module_folder(root + "/bin"), root + "/bin/modules");
    std::filesystem::create_directories(root + "/bin/" KD_MODULES_FROM_PROGRAM);
    EXPECT_EQ(std::filesystem::canonical(module_folder(root + "/bin")),
              std::filesystem::canonical(root + "/bin/" KD_MODULES_FROM_PROGRAM));
    std::filesystem::remove_all(root);
}

}  // namespace
}  // namespace kd
