// Replays the fuzz corpus and seeded random inputs through the mark-up path in every build: each
// input must run to the end and give the same drawing and hit tests when run again (state left
// behind by a run, or an uninitialised read, shows as a difference).
#include "../../fuzz/controls/MarkupFuzzBody.h"
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

std::vector<long> Replay(const std::string& input) {
    return pv::fuzz::ExerciseMarkup(reinterpret_cast<const uint8_t*>(input.data()), input.size());
}

} // namespace

TEST(MarkupFuzzReplay, AnchorIsDrawnAndHit) {
    // Options 0, width 200: one unwrapped line whose link covers the probe at (35, 7).
    const std::vector<long> trace =
        Replay(std::string("\0\xC8", 2) + "<a>" + std::string(40, 'l') + "</a> tail");
    ASSERT_FALSE(trace.empty());
    EXPECT_EQ(trace[0], 45); // every character but the tags painted
    EXPECT_NE(std::count(trace.begin() + 1, trace.end(), 0L), 0) << "no probe hit the link";
}

TEST(MarkupFuzzReplay, CorpusReplaysTheSame) {
    const fs::path corpus = fs::path(PV_SOURCE_DIR) / "fuzz" / "controls" / "corpus";
    size_t files = 0;
    for (const auto& entry : fs::directory_iterator(corpus)) {
        std::ifstream in(entry.path(), std::ios::binary);
        const std::vector<uint8_t> data((std::istreambuf_iterator<char>(in)),
                                        std::istreambuf_iterator<char>());
        const auto first = pv::fuzz::ExerciseMarkup(data.data(), data.size());
        EXPECT_EQ(pv::fuzz::ExerciseMarkup(data.data(), data.size()), first) << entry.path();
        ++files;
    }
    EXPECT_GE(files, 10u);
}

TEST(MarkupFuzzReplay, RandomMarkupReplaysTheSame) {
    // Fragments that meet the reader's edge cases, glued at random.
    static const char* const kPieces[] = {"<",
                                          ">",
                                          "</",
                                          "<a>",
                                          "</a>",
                                          "<a maxline=1>",
                                          "<b>",
                                          "</b>",
                                          "<font size=5 color=#F>",
                                          "</font>",
                                          "<br>",
                                          "<p align=right indent=900>",
                                          "</p>",
                                          "<hr>",
                                          "<li>",
                                          "<ul>",
                                          "</ul>",
                                          "<z>",
                                          "</z>",
                                          "<#",
                                          "&amp;",
                                          "&",
                                          " & ",
                                          "&nbsp;",
                                          "\r\n",
                                          "\r",
                                          " ",
                                          "word",
                                          "x",
                                          "\xC3\xA4",
                                          "\xFF",
                                          "=",
                                          "\"",
                                          "<span style=\"background-color:#00FF00\">",
                                          "<hi>",
                                          "</hi>",
                                          "<ind x=-5>",
                                          "<of x=99999999>",
                                          "<br linespace=9999999>"};
    std::mt19937 rng(20240131);
    for (int round = 0; round < 3000; ++round) {
        std::string input(2, '\0');
        input[0] = static_cast<char>(rng() & 0x7F);
        input[1] = static_cast<char>(rng() & 0xFF);
        const int count = static_cast<int>(rng() % 40);
        for (int i = 0; i < count; ++i) {
            input += kPieces[rng() % std::size(kPieces)];
        }
        const auto first = Replay(input);
        ASSERT_EQ(Replay(input), first) << round;
    }
    for (int round = 0; round < 500; ++round) {
        std::vector<uint8_t> bytes(rng() % 300);
        for (auto& b : bytes) {
            b = static_cast<uint8_t>(rng());
        }
        const auto first = pv::fuzz::ExerciseMarkup(bytes.data(), bytes.size());
        ASSERT_EQ(pv::fuzz::ExerciseMarkup(bytes.data(), bytes.size()), first) << round;
    }
}
