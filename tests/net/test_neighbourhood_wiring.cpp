// The program reads the neighbourhood at start when `ReadNetworkOnStart` says "Yes" and again
// every `ReadNetworkInterval` minutes of ticks, through the companion in the program folder.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "app/main_window.h"
#include "app/wiring.h"
#include "net/neighbourhood.h"
#include "platform/paths.h"
#include "platform/profile_file.h"
#include "platform/temp_dir.h"
#include "support/app_paths_in.h"
#include "support/test_services.h"

namespace kd {
namespace {

class NeighbourhoodWiringTest : public ::testing::Test {
protected:
    void SetUp() override {
        ProfileFile::clear_cache();
        set_app_paths(test::app_paths_in(dir_.path()));
        // Each run of the companion leaves one line.
        const std::string path = dir_.file(kCompanionProgram);
        std::ofstream(path) << "#!/bin/sh\necho run >> runs\n";
        std::filesystem::permissions(path, std::filesystem::perms::owner_all);
    }
    void TearDown() override {
        main_.reset();
        set_app_paths({});
    }
    void set(const char* key, const char* value) {
        ASSERT_TRUE(ProfileFile::write(app_paths().IniPath, "KORVADESK", key, value));
    }
    int runs() {
        std::ifstream in(dir_.file("runs"));
        int n = 0;
        for (std::string line; std::getline(in, line);)
            ++n;
        return n;
    }
    void start() {
        main_ = std::make_unique<MainWindow>(ts_.services);
        connect_neighbourhood(*main_);
        ASSERT_TRUE(main_->start());
    }

    test::TempDir dir_;
    test::TestServices ts_{Clock::system()};
    std::unique_ptr<MainWindow> main_;
};

TEST_F(NeighbourhoodWiringTest, ReadAtStartAndAfterEachIntervalOfTicks) {
    set("ReadNetworkOnStart", "Yes");
    start();
    EXPECT_EQ(runs(), 1);
    main_->set_intervals(0, 1);
    for (int tick = 1; tick < 120; ++tick)
        emit main_->tick();
    EXPECT_EQ(runs(), 1);
    emit main_->tick();
    EXPECT_EQ(runs(), 2);
}

TEST_F(NeighbourhoodWiringTest, NotAtStartWhenSwitchedOff) {
    set("ReadNetworkOnStart", "No");
    start();
    EXPECT_EQ(runs(), 0);
}

}  // namespace
}  // namespace kd
