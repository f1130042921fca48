// make-sample-archive: writes a stand-in for a disc's hotaru4 archive, so the
// tool can be tried and checked without the discs; also as a disc image.
#include "platform/File.h"
#include "platform/InOutError.h"
#include "platform/Process.h"
#include "tools/SampleArchive.h"
#include "tools/SampleImage.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#ifdef _WIN32
#include "platform/Utf16.h"

#include <windows.h>

#include <shellapi.h>
#endif

namespace {

void usage()
{
    std::fprintf(stderr,
                 "usage: make-sample-archive [--disc 1|2] [--full] [--clips FOLDER]\n"
                 "         [--iso|--bin-cue|--iso-wav|--chd|--ccd|--mds|--nrg] [--mode2] [--sjis] [--sector N] "
                 "OUTPUT\n"
                 "  a movie whose clip-NN.cpk is in FOLDER starts with that movie\n"
                 "  --iso      OUTPUT is an ISO 9660 image holding hotaru4\n"
                 "  --bin-cue  OUTPUT is a CUE sheet; its BIN files are written beside it\n"
                 "  --iso-wav  OUTPUT is a CUE sheet naming an ISO and a WAV beside it\n"
                 "  --chd      OUTPUT is a CHD image made by chdman createcd (package mame-tools)\n"
                 "  --ccd      OUTPUT is a CloneCD .ccd; its .img and .sub are written beside it\n"
                 "  --mds      OUTPUT is an Alcohol 120%% .mds; its .mdf is written beside it\n"
                 "  --nrg      OUTPUT is a Nero image\n"
                 "  --mode2    the data track of --bin-cue or --chd in MODE2/2352 (form 1) sectors\n"
                 "  --sjis     the sheet of --bin-cue in Shift-JIS (code page 932)\n"
                 "  --sector N the data track's sectors: 2048, 2352 or 2448 for --mds, 2048 or 2352 for --nrg\n");
}

// The arguments in UTF-8: on Windows argv is in the ANSI code page, and
// only the wide command line holds every name.
std::vector<std::string> arguments(int argc, char** argv)
{
#ifdef _WIN32
    (void)argc;
    (void)argv;
    std::vector<std::string> out;
    int count = 0;
    if (LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count)) {
        for (int i = 0; i < count; ++i)
            out.push_back(hotaru::narrow(wide[i]));
        LocalFree(wide);
    }
    return out;
#else
    return {argv, argv + argc};
#endif
}

enum class Form { Archive, Iso, BinCue, Chd, IsoWav, CloneCd, Mds, Nrg };

}  // namespace

int main(int argc, char** argv)
{
    const std::vector<std::string> args = arguments(argc, argv);
    const auto count = static_cast<int>(args.size());
    int disc = 1;
    std::string out;  // required: a stand-in must not land in whatever folder we run in
    hotaru::SampleFill fill = hotaru::SampleFill::Stamped;
    std::string clips;
    Form form = Form::Archive;
    hotaru::DataTrackMode mode = hotaru::DataTrackMode::Mode1;
    hotaru::SheetEncoding encoding = hotaru::SheetEncoding::Utf8;
    int sector = 0;
    for (int i = 1; i < count; ++i) {
        const std::string& a = args[static_cast<std::size_t>(i)];
        const auto next = [&] { return args[static_cast<std::size_t>(++i)]; };
        if (a == "--disc" && i + 1 < count) {
            disc = std::atoi(next().c_str());
        } else if (a == "--clips" && i + 1 < count) {
            clips = next();
        } else if (a == "--full") {
            fill = hotaru::SampleFill::Full;
        } else if (a == "--iso" || a == "--bin-cue" || a == "--chd") {
            form = a == "--iso" ? Form::Iso : a == "--bin-cue" ? Form::BinCue : Form::Chd;
        } else if (a == "--iso-wav" || a == "--ccd" || a == "--mds" || a == "--nrg") {
            form = a == "--iso-wav" ? Form::IsoWav
                   : a == "--ccd"   ? Form::CloneCd
                   : a == "--mds"   ? Form::Mds
                                    : Form::Nrg;
        } else if (a == "--sector" && i + 1 < count) {
            sector = std::atoi(next().c_str());
        } else if (a == "--sjis") {
            encoding = hotaru::SheetEncoding::ShiftJis;
        } else if (a == "--mode2") {
            mode = hotaru::DataTrackMode::Mode2Form1;
        } else if (a == "--help" || a == "-h" || a.starts_with('-')) {
            usage();
            return a == "--help" || a == "-h" ? 0 : 2;
        } else {
            out = a;
        }
    }
    if (out.empty()) {
        usage();
        return 2;
    }
    if (disc != 1 && disc != 2) {
        std::fprintf(stderr, "make-sample-archive: --disc takes 1 or 2\n");
        return 2;
    }
    if (mode == hotaru::DataTrackMode::Mode2Form1 && form != Form::BinCue && form != Form::Chd) {
        std::fprintf(stderr, "make-sample-archive: --mode2 goes with --bin-cue or --chd\n");
        return 2;
    }
    if (encoding == hotaru::SheetEncoding::ShiftJis && form != Form::BinCue) {
        std::fprintf(stderr, "make-sample-archive: --sjis goes with --bin-cue\n");
        return 2;
    }
    if (sector != 0 && !((form == Form::Mds && (sector == 2048 || sector == 2352 || sector == 2448)) ||
                         (form == Form::Nrg && (sector == 2048 || sector == 2352)))) {
        std::fprintf(stderr, "make-sample-archive: --sector takes 2048, 2352 or 2448 with --mds, 2048 or 2352 "
                             "with --nrg\n");
        return 2;
    }
    if (form == Form::Chd && hotaru::programOnPath("chdman").empty()) {
        std::fprintf(stderr, "make-sample-archive: --chd needs chdman, which is not installed "
                             "(Debian: apt-get install mame-tools)\n");
        return 1;
    }
    // An image is made from an archive written first beside it, then removed.
    const std::string archive = form == Form::Archive ? out : out + "~hotaru4.tmp";
    try {
        const auto folder = std::filesystem::path(std::u8string(out.begin(), out.end())).parent_path();
        if (!folder.empty())
            std::filesystem::create_directories(folder);
        hotaru::writeSampleArchive(archive, disc, fill, clips);
        if (form == Form::Iso)
            hotaru::writeIsoImage(archive, out);
        else if (form == Form::BinCue)
            hotaru::writeBinCue(archive, out, mode, 2, encoding);
        else if (form == Form::IsoWav)
            hotaru::writeIsoWavCue(archive, out);
        else if (form == Form::CloneCd)
            hotaru::writeCloneCd(archive, out);
        else if (form == Form::Mds)
            hotaru::writeMds(archive, out, sector ? sector : 2352);
        else if (form == Form::Nrg)
            hotaru::writeNrg(archive, out, sector ? sector : 2048);
        else if (form == Form::Chd)
            hotaru::writeChd(archive, out, mode);
    } catch (const hotaru::EInOutError& e) {
        if (form != Form::Archive)
            hotaru::removeFile(archive);
        std::fprintf(stderr, "make-sample-archive: %s: %s\n", e.path().c_str(), e.what());
        return 1;
    } catch (const std::exception& e) {
        if (form != Form::Archive)
            hotaru::removeFile(archive);
        std::fprintf(stderr, "make-sample-archive: %s\n", e.what());
        return 1;
    }
    if (form != Form::Archive)
        hotaru::removeFile(archive);
    static const char* const forms[] = {"sample archive",  "ISO image",     "BIN/CUE image",      "CHD image",
                                        "ISO + WAV image", "CloneCD image", "Alcohol 120% image", "Nero image"};
    std::printf("%s: disc %d %s\n", out.c_str(), disc, forms[static_cast<int>(form)]);
    return 0;
}
