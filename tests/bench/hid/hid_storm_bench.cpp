// The hot-plug storm: kv_hid_storm_bench [fake|emulated] [cycles] [checkpoint]. Prints the
// resident memory and open descriptors after the checkpoint and at the end. The emulated
// storm must run under tests/emulation/run-emulated.

#include "hid_storm.h"

#include "emulated_hid_bed.h"

#include <QCoreApplication>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const bool emulated = argc > 1 && std::strcmp(argv[1], "emulated") == 0;
    const int cycles = argc > 2 ? std::atoi(argv[2]) : (emulated ? 2000 : 10000);
    const int checkpoint = argc > 3 ? std::atoi(argv[3]) : cycles / 10;
    if (emulated && !kv::test::EmulatedHidBed::available()) {
        std::fprintf(stderr, "run under tests/emulation/run-emulated\n");
        return 2;
    }
    try {
        const kv::test::StormFigures f = emulated ? kv::test::runEmulatedStorm(cycles, checkpoint)
                                                  : kv::test::runFakeStorm(cycles, checkpoint);
        std::printf("%s provider: %d cycles in %.1f s, %d readings, %d errors\n",
                    emulated ? "emulated" : "fake", f.cycles, f.seconds, f.readings, f.errors);
        std::printf("  after %d cycles: resident %ld kB, %d descriptors\n", checkpoint,
                    f.rssAtCheckpointKb, f.descriptorsAtCheckpoint);
        std::printf("  after %d cycles: resident %ld kB, %d descriptors (%+ld kB)\n", cycles,
                    f.rssAtEndKb, f.descriptorsAtEnd, f.rssAtEndKb - f.rssAtCheckpointKb);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "storm failed: %s\n", e.what());
        return 1;
    }
    return 0;
}
