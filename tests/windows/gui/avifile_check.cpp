// avifile-check FILE.avi: opens an AVI through Windows' own AVIFile, decodes
// every picture through the system's codec (Cinepak: iccvid) and prints what
// it found; exits 1 when any step fails.
#include <windows.h>
// after windows.h, which it needs
#include <vfw.h>

#include <cstdio>

int wmain(int argc, wchar_t** argv)
{
    if (argc != 2) {
        std::fputs("usage: avifile-check FILE.avi\n", stderr);
        return 2;
    }
    AVIFileInit();
    int rc = 0;
    PAVIFILE file = nullptr;
    const HRESULT hr = AVIFileOpenW(&file, argv[1], OF_READ | OF_SHARE_DENY_WRITE, nullptr);
    if (FAILED(hr)) {
        std::fprintf(stderr, "AVIFileOpen failed: 0x%08lx\n", static_cast<unsigned long>(hr));
        AVIFileExit();
        return 1;
    }
    AVIFILEINFOW info{};
    AVIFileInfoW(file, &info, sizeof info);

    PAVISTREAM video = nullptr;
    if (AVIFileGetStream(file, &video, streamtypeVIDEO, 0) != 0) {
        std::fputs("no video stream\n", stderr);
        rc = 1;
    } else {
        const LONG frames = AVIStreamLength(video);
        PGETFRAME pictures = AVIStreamGetFrameOpen(video, nullptr);
        if (!pictures) {
            std::fputs("no decoder for the video\n", stderr);
            rc = 1;
        } else {
            for (LONG i = AVIStreamStart(video); i < frames; ++i) {
                if (!AVIStreamGetFrame(pictures, i)) {
                    std::fprintf(stderr, "picture %ld does not decode\n", i);
                    rc = 1;
                    break;
                }
            }
            AVIStreamGetFrameClose(pictures);
        }
        std::printf("%lux%lu, %ld pictures", static_cast<unsigned long>(info.dwWidth),
                    static_cast<unsigned long>(info.dwHeight), frames);
        AVIStreamRelease(video);
    }
    PAVISTREAM audio = nullptr;
    if (AVIFileGetStream(file, &audio, streamtypeAUDIO, 0) == 0) {
        std::printf(", audio of %ld samples", AVIStreamLength(audio));
        AVIStreamRelease(audio);
    } else {
        std::fputs("no audio stream\n", stderr);
        rc = 1;
    }
    std::printf("\n");
    AVIFileRelease(file);
    AVIFileExit();
    return rc;
}
