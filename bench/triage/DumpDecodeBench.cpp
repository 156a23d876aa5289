// bench_dump_decode FILE [RUNS]: reads a dump file once, decodes it RUNS times (default 50) and
// prints the median (wall and CPU) and the slowest decode in milliseconds, with what the decode
// found.
#include "triage/dump/DumpDecode.h"
#include <algorithm>
#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <vector>

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_dump_decode FILE [RUNS]\n");
        return 64;
    }
    std::ifstream in(argv[1], std::ios::binary);
    std::stringstream buffer;
    buffer << in.rdbuf();
    const std::string bytes = buffer.str();
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 50;
    std::vector<double> ms;
    std::vector<double> cpu;
    pv::triage::DecodedDump last;
    for (int i = 0; i < runs; ++i) {
        timespec cpuStart{};
        timespec cpuEnd{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpuStart);
        const auto start = std::chrono::steady_clock::now();
        last = pv::triage::DecodeDump(bytes);
        const auto end = std::chrono::steady_clock::now();
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpuEnd);
        ms.push_back(std::chrono::duration<double, std::milli>(end - start).count());
        cpu.push_back(static_cast<double>(cpuEnd.tv_sec - cpuStart.tv_sec) * 1e3 +
                      static_cast<double>(cpuEnd.tv_nsec - cpuStart.tv_nsec) / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    std::sort(cpu.begin(), cpu.end());
    std::printf("decode of %.1f MB dump: median %.3f ms (CPU %.3f ms), slowest %.3f ms over %d "
                "runs (%zu modules, %zu stack drivers, %zu notes)\n",
                static_cast<double>(bytes.size()) / 1e6, ms[ms.size() / 2], cpu[cpu.size() / 2],
                ms.back(), runs, last.Modules.size(), last.StackModules.size(), last.Notes.size());
    return 0;
}
