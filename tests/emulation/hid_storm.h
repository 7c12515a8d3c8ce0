#pragma once
// A hot-plug storm: the instrument plugged and unplugged over and over, the program
// connecting to it and reading one measurement each time. What it leaves behind in
// memory and descriptors is measured after a first stretch and at the end.

namespace kv::test {

struct StormFigures {
    int cycles = 0;
    int readings = 0;          // measurements that reached the link
    int errors = 0;            // messages the program would have shown
    long rssAtCheckpointKb = 0;
    long rssAtEndKb = 0;
    int descriptorsAtCheckpoint = 0;
    int descriptorsAtEnd = 0;
    double seconds = 0;
};

// On the in-memory provider.
StormFigures runFakeStorm(int cycles, int checkpoint);
// On the Linux provider over the emulated instrument; needs the preload library.
StormFigures runEmulatedStorm(int cycles, int checkpoint);

// This process's resident memory.
long residentKb();

}  // namespace kv::test
