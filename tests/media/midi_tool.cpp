// Command-line access to the MIDI file library for the checks against mido:
//   dump FILE                 read, pair notes, time analysis; one line per event
//   timemap FILE TICK...      getTimeInSeconds of each tick
//   write IN OUT              read and write again
//   binasc IN OUT             writeBinascWithComments
//   fromtext IN OUT           read the text form (or base64 with -b) and write binary
//   base64 IN WIDTH           writeBase64 to standard output
//   hex IN WIDTH              writeHex to standard output
//   edits FOLDER              files built by the adders and editors
//   sanitizer -               the sanitizer this tool is built with (address, thread or none)
#include "MidiFile.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>

using namespace smf;

namespace {

void printBytes(const MidiMessage& m)
{
    for (size_t i = 0; i < m.size(); ++i)
        std::printf("%s%02x", i ? "" : "", m[i]);
}

int dump(const char* path)
{
    MidiFile file;
    if (!file.read(path)) {
        std::printf("read failed\n");
        return 1;
    }
    file.linkNotePairs();
    file.doTimeAnalysis();
    file.absoluteTicks();
    std::printf("tracks %d tpq %d joined %d seconds %.17g ticks %d\n", file.getTrackCount(),
                file.getTicksPerQuarterNote(), file.hasJoinedTracks() ? 1 : 0, file.getFileDurationInSeconds(),
                file.getFileDurationInTicks());
    for (int t = 0; t < file.getTrackCount(); ++t) {
        for (int i = 0; i < file[t].size(); ++i) {
            const MidiEvent& e = file[t][i];
            std::printf("%d %d %.17g ", e.track, e.tick, e.seconds);
            printBytes(e);
            if (e.isNoteOn() && e.isLinked())
                std::printf(" %.17g %d", e.getDurationInSeconds(), e.getTickDuration());
            std::printf("\n");
        }
    }
    return 0;
}

int timemap(int argc, char** argv)
{
    MidiFile file;
    if (!file.read(argv[2]))
        return 1;
    for (int i = 3; i < argc; ++i)
        std::printf("%.17g\n", file.getTimeInSeconds(std::atoi(argv[i])));
    return 0;
}

int edits(const std::string& folder)
{
    {
        // Every adder once, on two tracks.
        MidiFile f;
        f.setTPQ(480);
        f.addTrack();
        f.addTempo(0, 0, 100.0);
        f.addTimeSignature(0, 0, 6, 8, 24, 8);
        f.addText(0, 0, "text");
        f.addCopyright(0, 0, "copyright");
        f.addTrackName(1, 0, "track name");
        f.addInstrumentName(1, 0, "instrument");
        f.addLyric(1, 10, "la");
        f.addMarker(0, 20, "marker");
        f.addCue(0, 30, "cue");
        f.addPatchChange(1, 0, 2, 40);
        f.addController(1, 0, 2, 7, 100);
        f.addNoteOn(1, 0, 2, 60, 90);
        f.addNoteOff(1, 240, 2, 60, 64);
        f.addNoteOn(1, 240, 2, 62, 90);
        f.addNoteOff(1, 480, 2, 62);
        f.addSustainOn(1, 480, 2);
        f.addSustainOff(1, 960, 2);
        f.addPitchBend(1, 500, 2, 0.0);
        f.addPitchBend(1, 510, 2, 1.0);
        f.addPitchBend(1, 520, 20, -1.0);
        f.addPitchBend(1, 530, 3, 0.5);
        f.setPitchBendRange(1, 600, 2, -2.5);
        f.setPitchBendRange(1, 700, 2, 30.0);
        std::vector<uchar> sysex = {0xF0, 0x43, 0x12, 0x00, 0xF7};
        f.addEvent(1, 800, sysex);
        f.addTempo(1, 900, 140.0);
        f.sortTracks();
        f.write(folder + "/adders.mid");
    }
    {
        // Three tracks, 0 and 1 merged.
        MidiFile f;
        f.addTracks(2);
        for (int t = 0; t < 3; ++t) {
            f.addTrackName(t, 0, "track " + std::to_string(t));
            f.addNoteOn(t, 10 * (t + 1), t, 60 + t, 100);
            f.addNoteOff(t, 100 + 10 * t, t, 60 + t);
        }
        f.mergeTracks(0, 1);
        f.write(folder + "/merged.mid");
    }
    {
        // Channels 0 and 9 with metas, split by channel.
        MidiFile f;
        f.addTempo(0, 0, 90.0);
        f.addNoteOn(0, 0, 0, 60, 100);
        f.addNoteOn(0, 0, 9, 36, 100);
        f.addNoteOff(0, 120, 0, 60);
        f.addNoteOff(0, 120, 9, 36);
        f.addMarker(0, 120, "end");
        f.splitTracksByChannel();
        f.write(folder + "/bychannel.mid");
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: midi_tool COMMAND ARGS\n");
        return 2;
    }
    const std::string command = argv[1];
    if (command == "dump")
        return dump(argv[2]);
    if (command == "timemap")
        return timemap(argc, argv);
    if (command == "edits")
        return edits(argv[2]);
    if (command == "sanitizer") {
#if defined(__SANITIZE_ADDRESS__)
        std::printf("address\n");
#elif defined(__SANITIZE_THREAD__)
        std::printf("thread\n");
#else
        std::printf("none\n");
#endif
        return 0;
    }
    MidiFile file;
    if (command == "fromtext" && argc >= 4) {
        std::ifstream in(argv[2], std::ios::binary);
        if (!file.read(in))
            return 1;
        return file.write(argv[3]) ? 0 : 1;
    }
    if (command == "frombase64" && argc >= 4) {
        std::ifstream in(argv[2], std::ios::binary);
        if (!file.readBase64(in))
            return 1;
        return file.write(argv[3]) ? 0 : 1;
    }
    if (!file.read(argv[2]))
        return 1;
    if (command == "write" && argc >= 4)
        return file.write(argv[3]) ? 0 : 1;
    if (command == "binasc" && argc >= 4)
        return file.writeBinascWithComments(argv[3]) ? 0 : 1;
    if (command == "base64" && argc >= 4)
        return file.writeBase64(std::cout, std::atoi(argv[3])) ? 0 : 1;
    if (command == "hex" && argc >= 4)
        return file.writeHex(std::cout, std::atoi(argv[3])) ? 0 : 1;
    std::fprintf(stderr, "unknown command %s\n", command.c_str());
    return 2;
}
