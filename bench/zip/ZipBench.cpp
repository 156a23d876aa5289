// Packs a deterministic generated corpus with the archive writer and with Info-ZIP `zip -8` in
// the same run and prints time, throughput and archive size of both.
//
//   bench_zip [--dir DIR] [--threads N] [--big MiB] [--native-only]
//
// --big packs one generated log of that many MiB instead of the corpus (peak memory checks:
// /usr/bin/time -v bench_zip --big 1024 --native-only).
#include "zip/ZipFiles.h"
#include "zip/ZipLib.h"

#include <sys/resource.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Options {
    std::string dir = "/tmp/pv_zip_bench";
    unsigned threads = 0;
    unsigned bigMiB = 0;
    bool nativeOnly = false;
};

// Log-like text: timestamps, levels, component names, device ids, numbers and paths.
class LogWriter {
public:
    explicit LogWriter(std::uint32_t seed) : rng_(seed) {}
    void Fill(std::FILE* f, std::uint64_t size) {
        static const char* kLevel[] = {"INFO ", "INFO ", "INFO ", "DEBUG", "WARN ", "ERROR"};
        static const char* kUnit[] = {"Scanner",    "Updater", "Backup",
                                      "Downloader", "Service", "UI"};
        static const char* kText[] = {"Device found",
                                      "Driver is up to date",
                                      "Newer driver available",
                                      "Download started",
                                      "Download finished",
                                      "Checking signature of",
                                      "Restore point created",
                                      "Retrying request",
                                      "Installation finished with code",
                                      "Queue length",
                                      "Skipping device without hardware id",
                                      "Backup written to",
                                      "Timeout while waiting for",
                                      "Service state changed to"};
        static const char* kArg[] = {"PCI\\VEN_8086&DEV_A370&SUBSYS_00748086&REV_10",
                                     "USB\\VID_046D&PID_C52B&REV_2410",
                                     "HDAUDIO\\FUNC_01&VEN_10EC&DEV_0256&SUBSYS_10280820",
                                     "C:\\ProgramData\\Orvix\\Plenvia\\Backup\\drv_",
                                     "https://update.example.invalid/drivers/",
                                     "0x8007000E"};
        std::string line;
        std::uint64_t written = 0;
        while (written < size) {
            char head[96];
            const unsigned ms = ms_ += 1 + rng_() % 900;
            std::snprintf(head, sizeof head, "2024-03-%02u %02u:%02u:%02u.%03u [%5u] %s %-10s ",
                          1 + (ms / 86400000) % 28, (ms / 3600000) % 24, (ms / 60000) % 60,
                          (ms / 1000) % 60, ms % 1000, 1000 + static_cast<unsigned>(rng_() % 40),
                          kLevel[rng_() % 6], kUnit[rng_() % 6]);
            line = head;
            line += kText[rng_() % 14];
            line += ' ';
            line += kArg[rng_() % 6];
            line += std::to_string(rng_() % 100000);
            line += "\r\n";
            std::fwrite(line.data(), 1, line.size(), f);
            written += line.size();
        }
    }

private:
    std::mt19937 rng_;
    unsigned ms_ = 0;
};

std::uint64_t FileSize(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? static_cast<std::uint64_t>(st.st_size) : 0;
}

void MakeLog(const std::string& path, std::uint64_t size, std::uint32_t seed) {
    if (FileSize(path) >= size) {
        return;
    }
    std::FILE* f = std::fopen(path.c_str(), "wb");
    LogWriter(seed).Fill(f, size);
    std::fclose(f);
}

// Binary records (counters, small integers, flags) and random bytes.
void MakeBinary(const std::string& path, std::uint64_t size, std::uint32_t seed, bool random) {
    if (FileSize(path) == size) {
        return;
    }
    std::mt19937 rng(seed);
    std::vector<std::uint8_t> data(size);
    for (std::size_t i = 0; i < data.size(); ++i) {
        if (random) {
            data[i] = static_cast<std::uint8_t>(rng());
        } else {
            const std::size_t rec = i / 32, field = i % 32;
            data[i] = field < 4    ? static_cast<std::uint8_t>(rec >> (8 * field))
                      : field < 12 ? static_cast<std::uint8_t>(rng() % 4)
                                   : static_cast<std::uint8_t>(field < 20         ? 0
                                                               : rng() % 256 < 40 ? rng()
                                                                                  : 0);
        }
    }
    std::FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(data.data(), 1, data.size(), f);
    std::fclose(f);
}

double Seconds(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double>(b - a).count();
}

// User plus system CPU seconds of this process or of its finished children.
double CpuSeconds(int who) {
    rusage ru{};
    ::getrusage(who, &ru);
    return static_cast<double>(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) +
           static_cast<double>(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
}

std::u16string U16(const std::string& s) {
    return std::u16string(s.begin(), s.end());
}

} // namespace

int main(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--dir" && i + 1 < argc) {
            o.dir = argv[++i];
        } else if (a == "--threads" && i + 1 < argc) {
            o.threads = static_cast<unsigned>(std::atoi(argv[++i]));
        } else if (a == "--big" && i + 1 < argc) {
            o.bigMiB = static_cast<unsigned>(std::atoi(argv[++i]));
        } else if (a == "--native-only") {
            o.nativeOnly = true;
        } else {
            std::fprintf(stderr,
                         "usage: %s [--dir DIR] [--threads N] [--big MiB] [--native-only]\n",
                         argv[0]);
            return 2;
        }
    }
    ::mkdir(o.dir.c_str(), 0755);
    std::vector<std::string> files;
    const std::uint64_t kMiB = 1 << 20;
    if (o.bigMiB > 0) {
        files.push_back(o.dir + "/big.log");
        MakeLog(files.back(), o.bigMiB * kMiB, 99);
    } else {
        const std::uint64_t logs[] = {42 * kMiB, 3 * kMiB, kMiB + 12345, 600000, 90000, 4000};
        for (std::size_t i = 0; i < std::size(logs); ++i) {
            files.push_back(o.dir + "/log" + std::to_string(i) + ".log");
            MakeLog(files.back(), logs[i], static_cast<std::uint32_t>(i + 1));
        }
        files.push_back(o.dir + "/records.dat");
        MakeBinary(files.back(), 3 * kMiB, 50, false);
        files.push_back(o.dir + "/noise.bin");
        MakeBinary(files.back(), 2 * kMiB + 777, 51, true);
    }
    std::uint64_t input = 0;
    for (const auto& f : files) {
        input += FileSize(f);
    }

    const std::string nativeZip = o.dir + "/native.zip";
    const double cpu0 = CpuSeconds(RUSAGE_SELF);
    auto t0 = Clock::now();
    pv::ZipFileSystem& fs = pv::DefaultZipFileSystem();
    pv::ZipHandle zip =
        pv::ZipCreateOn(fs.CreateOutput(U16(nativeZip)), fs, pv::ZipOptions{o.threads});
    for (const auto& f : files) {
        const std::string name = f.substr(f.rfind('/') + 1);
        if (pv::ZipAddFile(zip, U16(name), U16(f)) != pv::ZR_OK) {
            std::fprintf(stderr, "adding %s failed\n", f.c_str());
            return 1;
        }
    }
    if (pv::ZipClose(zip) != pv::ZR_OK) {
        std::fprintf(stderr, "closing failed\n");
        return 1;
    }
    const double nativeTime = Seconds(t0, Clock::now());
    const double nativeCpu = CpuSeconds(RUSAGE_SELF) - cpu0;
    const std::uint64_t nativeSize = FileSize(nativeZip);
    const double mb = static_cast<double>(input) / 1e6;
    std::printf("input: %zu files, %.1f MB\n", files.size(), mb);
    std::printf("native   : %7.3f s  %7.1f MB/s  cpu %7.3f s  archive %10llu bytes\n", nativeTime,
                mb / nativeTime, nativeCpu, static_cast<unsigned long long>(nativeSize));
    if (std::system(("unzip -tqq " + nativeZip).c_str()) != 0) {
        std::fprintf(stderr, "unzip -t rejected the archive\n");
        return 1;
    }
    if (o.nativeOnly) {
        return 0;
    }

    const std::string peerZip = o.dir + "/peer.zip";
    std::remove(peerZip.c_str());
    std::string command = "zip -8 -q -X -j " + peerZip;
    for (const auto& f : files) {
        command += " " + f;
    }
    const double childCpu0 = CpuSeconds(RUSAGE_CHILDREN);
    t0 = Clock::now();
    if (std::system(command.c_str()) != 0) {
        std::fprintf(stderr, "zip -8 failed\n");
        return 1;
    }
    const double peerTime = Seconds(t0, Clock::now());
    const double peerCpu = CpuSeconds(RUSAGE_CHILDREN) - childCpu0;
    const std::uint64_t peerSize = FileSize(peerZip);
    std::printf("zip -8   : %7.3f s  %7.1f MB/s  cpu %7.3f s  archive %10llu bytes\n", peerTime,
                mb / peerTime, peerCpu, static_cast<unsigned long long>(peerSize));
    std::printf("native/zip -8: throughput %.2fx, size %.4fx, cpu %.2fx\n", peerTime / nativeTime,
                static_cast<double>(nativeSize) / static_cast<double>(peerSize),
                nativeCpu / peerCpu);
    return 0;
}
