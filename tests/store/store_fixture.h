// A settings file in a fresh folder, set as IniPath, with failed-write reports recorded.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/paths.h"
#include "platform/profile_file.h"
#include "platform/temp_dir.h"
#include "support/app_paths_in.h"
#include "support/error_recorder.h"

namespace kd::test {

class StoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        ProfileFile::clear_cache();
        use_ini(dir.file("Korvadesk.ini"));
    }
    void TearDown() override { set_app_paths({}); }

    void use_ini(const std::string& path) {
        ini = path;
        AppPaths p;
        p.IniPath = path;
        p.NetListPath = dir.file("Korvadesk.net");
        set_app_paths(p);
    }

    TempDir dir;
    std::string ini;
    ErrorRecorder errors;
};

}  // namespace kd::test
