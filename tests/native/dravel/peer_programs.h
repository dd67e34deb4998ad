// The programs the shipped formats are held against, run from the tests and the benchmark
// (Linux only): any program without a shell, measured or not, and a dictd of our own on the
// loopback with a private configuration.
#pragma once

#include <sys/types.h>

#include <string>
#include <utility>
#include <vector>

namespace dravel_peers {

struct Run {
    int status = -1; // the exit status, -1 when it could not be run or did not exit
    double wall = 0; // seconds
    double cpu = 0;  // user and system seconds
    long peakKb = 0; // its peak resident memory
    std::string out; // its standard output
};

// Runs a program with its arguments, standard error dropped.
Run RunProgram(const std::vector<std::string>& argv);
// Whether a program of that name is on the PATH.
bool HaveProgram(const char* name);

// A dictd started in the foreground on a free port of 127.0.0.1, serving the given databases
// (name, path without ".index"/".dict.dz"), and stopped when this goes.
class LocalDictd {
  public:
    ~LocalDictd() { Stop(); }
    // False when dictd is missing or does not answer within 15 seconds.
    bool Start(const std::vector<std::pair<std::string, std::string>>& databases);
    void Stop();
    int Port() const { return port_; }
    pid_t Pid() const { return pid_; }
    // dict's arguments that reach this server, followed by args.
    std::vector<std::string> Dict(const std::vector<std::string>& args) const;

  private:
    bool Ready() const;
    std::string folder_;
    pid_t pid_ = 0;
    int port_ = 0;
};

} // namespace dravel_peers
