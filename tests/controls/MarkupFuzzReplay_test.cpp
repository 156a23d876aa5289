// Replays the fuzz corpus and seeded random inputs through the mark-up path in every build.
#include "../../fuzz/controls/MarkupFuzzBody.h"
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <gtest/gtest.h>

namespace fs = std::filesystem;

TEST(MarkupFuzzReplay, CorpusRunsToTheEnd) {
    const fs::path corpus = fs::path(PV_SOURCE_DIR) / "fuzz" / "controls" / "corpus";
    size_t files = 0;
    for (const auto& entry : fs::directory_iterator(corpus)) {
        std::ifstream in(entry.path(), std::ios::binary);
        const std::vector<uint8_t> data((std::istreambuf_iterator<char>(in)),
                                        std::istreambuf_iterator<char>());
        pv::fuzz::ExerciseMarkup(data.data(), data.size());
        ++files;
    }
    EXPECT_GE(files, 10u);
}

TEST(MarkupFuzzReplay, RandomMarkupRunsToTheEnd) {
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
        pv::fuzz::ExerciseMarkup(reinterpret_cast<const uint8_t*>(input.data()), input.size());
    }
    for (int round = 0; round < 500; ++round) {
        std::vector<uint8_t> bytes(rng() % 300);
        for (auto& b : bytes) {
            b = static_cast<uint8_t>(rng());
        }
        pv::fuzz::ExerciseMarkup(bytes.data(), bytes.size());
    }
    SUCCEED();
}
