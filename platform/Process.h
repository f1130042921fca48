#pragma once

#include <functional>
#include <string>
#include <vector>

namespace hotaru {

struct ProgramRun {
    bool started = false;         // false: the program could not be started at all
    bool exitedNormally = false;  // ended by itself, not by a signal or by us
    int exitCode = -1;
    bool stopped = false;  // ended because stopRequested said so
};

// Starts `program` hidden, with exactly `args`, in `workDir` (empty: ours), and
// waits for it without spinning. When stopRequested turns true the program is
// ended. The program path is taken as it is: never split at blanks, never
// handed to a shell. With `outputFile`, what the program prints (standard
// output and error) goes to that file, made anew.
ProgramRun runProgram(const std::string& program, const std::vector<std::string>& args, const std::string& workDir,
                      const std::function<bool()>& stopRequested, const std::string& outputFile = {});

// A program's full path from PATH ("chdman"; ".exe" added on Windows), or
// empty when none is there.
std::string programOnPath(const std::string& name);

// The command line Windows is given: the program and every argument in double
// quotes, separated by one blank.
std::string windowsCommandLine(const std::string& program, const std::vector<std::string>& args);

}  // namespace hotaru
