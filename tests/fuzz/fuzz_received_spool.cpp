// The spool of received notes read from any file content, with a taken mark of its own
// generation or none: what it gives back is always whole records in order, and a note appended
// after it comes back at the end on the next read.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "store/received_spool.h"

namespace {

void check(bool ok) {
    if (!ok) {
        std::abort();
    }
}

const std::string& folder() {
    static const std::string path = [] {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "kd-fuzz-spool-XXXXXX").string();
        check(::mkdtemp(pattern.data()) != nullptr);
        return pattern;
    }();
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kd;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::string path = folder() + "/Korvadesk.spool";
    std::filesystem::remove(path);
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<long>(bytes.size()));

    // A mark of the file's own generation (when it has one) naming one of the first ids.
    std::string mark;
    constexpr std::string_view kHeader = "KORVADESK SPOOL 1 ";
    if (bytes.starts_with(kHeader) && bytes.size() > kHeader.size() + 16) {
        mark = std::string(bytes.substr(kHeader.size(), 16)) + ":" +
               std::to_string(static_cast<unsigned char>(bytes.back()) % 8);
    }

    std::size_t before = 0;
    std::uint64_t last = 0;
    {
        ReceivedSpool spool(path, mark);
        for (const SpoolRecord& r : spool.peek(0, spool::kMostWaitingNotes * 4)) {
            check(r.id > last);
            check(r.message.size() <= spool::kLongestMessage);
            check(r.message.find('\n') == std::string::npos);
            check(r.from.find_first_of(" \n") == std::string::npos);
            last = r.id;
            ++before;
        }
        check(before == spool.waiting());
        if (spool.append("PC~fuzz~", "10.0.0.1", 1) != ReceivedSpool::Append::Kept) {
            return 0;  // full
        }
    }
    ReceivedSpool again(path, mark);
    const auto records = again.peek(0, spool::kMostWaitingNotes * 4);
    check(records.size() == before + 1);
    check(records.back().message == "PC~fuzz~" && records.back().from == "10.0.0.1");
    check(records.back().id > last);
    return 0;
}
