// The arrival sound's module is opened on a thread of its own: the first sound follows once it is
// open, and a module that cannot be opened is told once.
#include <gtest/gtest.h>

#include <QTest>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "net/arrival_sound.h"
#include "platform/library_modules.h"

namespace kd {
namespace {

int g_played = 0;
void count_play() {
    ++g_played;
}
const SoundModuleTable kCounting{&count_play};

// A module whose opening waits until the test lets it finish (five seconds at most, so an
// opening on the UI thread fails the test instead of hanging it).
struct SlowModule {
    std::atomic<bool> released{false};
    std::atomic<bool> finished{false};
    std::atomic<int> opened{0};
    std::thread::id opened_on;
    const SoundModuleTable* table = &kCounting;

    ArrivalSound::Loader loader() {
        return [this](std::string& reason) {
            opened_on = std::this_thread::get_id();
            ++opened;
            const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
            while (!released && std::chrono::steady_clock::now() < until) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
            finished = true;
            if (table == nullptr) {
                reason = "gone";
            }
            return table;
        };
    }
};

class ArrivalSoundTest : public ::testing::Test {
protected:
    void SetUp() override { g_played = 0; }
    SlowModule module_;
    std::vector<std::string> told_;
    ArrivalSound::Reporter reporter() {
        return [this](const std::string& reason) { told_.push_back(reason); };
    }
};

TEST_F(ArrivalSoundTest, TheModuleOpensOffTheUiThreadAndOneSoundFollowsTheRequestsMeanwhile) {
    ArrivalSound sound(module_.loader(), reporter());
    // Returns while the module is still opening; the requests meanwhile make one sound.
    sound.play();
    sound.play();
    sound.play();
    EXPECT_FALSE(module_.finished) << "opened on the UI thread";
    ASSERT_TRUE(QTest::qWaitFor([&] { return module_.opened == 1; }, 5000));
    EXPECT_EQ(g_played, 0);
    module_.released = true;
    ASSERT_TRUE(QTest::qWaitFor([] { return g_played == 1; }, 5000));
    EXPECT_NE(module_.opened_on, std::this_thread::get_id());
    // Open: every later sound plays at once, and the module is not opened again.
    sound.play();
    EXPECT_EQ(g_played, 2);
    QTest::qWait(20);
    EXPECT_EQ(g_played, 2);
    EXPECT_EQ(module_.opened, 1);
    EXPECT_TRUE(told_.empty());
}

TEST_F(ArrivalSoundTest, AModuleThatCannotBeOpenedIsToldOnceAndTheRestIsSilent) {
    module_.table = nullptr;
    ArrivalSound sound(module_.loader(), reporter());
    sound.play();
    sound.play();
    module_.released = true;
    ASSERT_TRUE(QTest::qWaitFor([this] { return !told_.empty(); }, 5000));
    sound.play();
    QTest::qWait(20);
    EXPECT_EQ(told_, std::vector<std::string>{"gone"});
    EXPECT_EQ(module_.opened, 1);
    EXPECT_EQ(g_played, 0);
}

TEST_F(ArrivalSoundTest, GoneWhileOpeningItWaitsForTheOpeningAndPlaysNothing) {
    auto sound = std::make_unique<ArrivalSound>(module_.loader(), reporter());
    sound->play();
    ASSERT_TRUE(QTest::qWaitFor([&] { return module_.opened == 1; }, 5000));
    std::thread later([this] {
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        module_.released = true;
    });
    sound.reset();
    later.join();
    QTest::qWait(20);
    EXPECT_EQ(g_played, 0);
}

// The program's own modules: a folder without the sound module is told with its path, once.
TEST(ArrivalSoundModules, AMissingModuleIsToldWithItsPathOnce) {
    std::vector<std::string> said;
    const LibraryModules none(KD_BINARY_DIR "/no-modules-here",
                              [&said](const std::string& m) { said.push_back(m); });
    ArrivalSound sound(none);
    sound.play();
    sound.play();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !said.empty(); }, 5000));
    QTest::qWait(20);
    ASSERT_EQ(said.size(), 1u);
    EXPECT_NE(said[0].find(kSoundFeature), std::string::npos) << said[0];
    EXPECT_NE(said[0].find(KD_BINARY_DIR "/no-modules-here/korvadesk-sound.so"), std::string::npos)
        << said[0];
}

}  // namespace
}  // namespace kd
