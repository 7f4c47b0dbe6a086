// The whole intro on the demo cartridge against the golden state log: the
// capture tool writes its log now, and the first frame that differs from
// tests/game/golden/intro_states.csv is named. scripts/update-golden
// regenerates the file when the artwork changes on purpose.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#if defined(ORVALIS_CAPTURE) && defined(ORVALIS_GOLDEN)

namespace {

std::vector<std::string> read_lines(const std::string& path) {
    std::vector<std::string> lines;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

TEST(golden, intro_state_log_matches) {
    if (std::FILE* f = std::fopen(ORVALIS_DEMO_ROM, "rb"))
        std::fclose(f);
    else
        GTEST_SKIP() << "no demo cartridge at " << ORVALIS_DEMO_ROM;

    const std::vector<std::string> golden = read_lines(ORVALIS_GOLDEN);
    ASSERT_GT(golden.size(), 1u) << "missing or empty " << ORVALIS_GOLDEN << "; run scripts/update-golden";
    const size_t frames = golden.size() - 1;  // after the header line

    const std::string log = ::testing::TempDir() + "orvalis_intro_states.csv";
    std::remove(log.c_str());
    const std::string command = std::string("\"") + ORVALIS_CAPTURE + "\" --rom \"" + ORVALIS_DEMO_ROM +
                                "\" --trust-image --frames " + std::to_string(frames) + " --state-log \"" +
                                log + "\" > /dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    const std::vector<std::string> now = read_lines(log);
    std::remove(log.c_str());

    ASSERT_FALSE(now.empty()) << "the capture wrote no log";
    ASSERT_EQ(now[0], golden[0]) << "the log's columns changed";
    for (size_t i = 1; i < golden.size() && i < now.size(); ++i)
        ASSERT_EQ(now[i], golden[i]) << "first difference at frame " << now[i].substr(0, now[i].find(','))
                                     << " (golden line " << i + 1
                                     << "); if the change is intended, run scripts/update-golden";
    ASSERT_EQ(now.size(), golden.size()) << "the log has a different number of frames";
}

}  // namespace

#endif
