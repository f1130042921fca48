// A stand-in converter for the tests. What it does is chosen by the
// environment variable HOTARU_FAKE_CONVERTER: copy (default), fail, nothing,
// empty, partial (some bytes, then exit 1), slow (a minute), pause (a second,
// then copy), fail-for:TEXT (fail for an input whose name holds TEXT, copy
// the others). It always records its arguments and folder in converter.log.
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sched.h>
#include <string>
#include <thread>
#include <unistd.h>

int main(int argc, char** argv)
{
    const char* m = std::getenv("HOTARU_FAKE_CONVERTER");
    const std::string mode = m ? m : "copy";
    {
        char cwd[4096] = {};
        std::ofstream log("converter.log", std::ios::app);
        log << "argc=" << argc - 1 << "\ncwd=" << (getcwd(cwd, sizeof cwd) ? cwd : "?") << "\n";
        for (int i = 1; i < argc; ++i)
            log << "arg=" << argv[i] << "\n";
        log << "sched=" << sched_getscheduler(0) << "\n";
    }
    if (argc != 3)
        return 2;
    if (mode == "fail")
        return 1;
    if (mode.starts_with("fail-for:") && std::string(argv[1]).find(mode.substr(9)) != std::string::npos)
        return 1;
    if (mode == "nothing")
        return 0;
    if (mode == "slow")
        std::this_thread::sleep_for(std::chrono::seconds(60));
    if (mode == "pause")
        std::this_thread::sleep_for(std::chrono::seconds(1));
    std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
    if (mode == "empty")
        return 0;
    if (mode == "partial") {
        out << "RIFF";
        return 1;
    }
    std::ifstream in(argv[1], std::ios::binary);
    if (!in)
        return 3;
    out << "AVI:" << in.rdbuf();
    return out ? 0 : 4;
}
