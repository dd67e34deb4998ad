// Running the peer programs.
#include "peer_programs.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

namespace dravel_peers {

Run RunProgram(const std::vector<std::string>& argv) {
    Run run;
    int pipes[2];
    if (pipe(pipes) != 0) return run;
    auto start = std::chrono::steady_clock::now();
    pid_t pid = fork();
    if (pid < 0) return run;
    if (pid == 0) {
        dup2(pipes[1], 1);
        int null = open("/dev/null", O_WRONLY);
        if (null >= 0) dup2(null, 2);
        close(pipes[0]);
        close(pipes[1]);
        std::vector<char*> args;
        for (const std::string& a : argv)
            args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        execvp(args[0], args.data());
        _exit(127);
    }
    close(pipes[1]);
    char buffer[65536];
    ssize_t got;
    while ((got = read(pipes[0], buffer, sizeof buffer)) > 0)
        run.out.append(buffer, (size_t)got);
    close(pipes[0]);
    int status = 0;
    rusage usage;
    if (wait4(pid, &status, 0, &usage) != pid) return run;
    run.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.cpu = (double)(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
              (double)(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
    run.peakKb = usage.ru_maxrss;
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

bool HaveProgram(const char* name) {
    Run run = RunProgram({"sh", "-c", std::string("command -v ") + name});
    return run.status == 0 && !run.out.empty();
}

bool LocalDictd::Start(const std::vector<std::pair<std::string, std::string>>& databases) {
    Stop();
    if (!HaveProgram("dictd") || !HaveProgram("dict")) return false;
    char folder[] = "/tmp/dravel-dictd-XXXXXX";
    if (!mkdtemp(folder)) return false;
    folder_ = folder;
    chmod(folder, 0755); // dictd reads its configuration as its own user
    std::string config;
    for (const auto& db : databases)
        config +=
            "database " + db.first + " { data " + db.second + ".dict.dz index " + db.second + ".index }\n";
    std::string conf = folder_ + "/dictd.conf";
    FILE* f = fopen(conf.c_str(), "w");
    if (!f) return false;
    fputs(config.c_str(), f);
    fclose(f);
    chmod(conf.c_str(), 0644);
    // A free port of the loopback, as the system hands one out.
    int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address;
    memset(&address, 0, sizeof address);
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    bind(s, (sockaddr*)&address, sizeof address);
    getsockname(s, (sockaddr*)&address, &length);
    port_ = ntohs(address.sin_port);
    close(s);
    pid_ = fork();
    if (pid_ == 0) {
        int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        dup2(null, 2);
        std::string port = std::to_string(port_);
        execlp("dictd", "dictd", "-c", conf.c_str(), "-p", port.c_str(), "--listen-to", "127.0.0.1",
               "--locale", "C.UTF-8", "-d", "nodetach", "--pid-file", "/dev/null", (char*)nullptr);
        _exit(127);
    }
    for (int i = 0; i < 150; ++i) {
        if (Ready()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
}

void LocalDictd::Stop() {
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
    }
    pid_ = 0;
    if (!folder_.empty()) {
        unlink((folder_ + "/dictd.conf").c_str());
        rmdir(folder_.c_str());
        folder_.clear();
    }
}

std::vector<std::string> LocalDictd::Dict(const std::vector<std::string>& args) const {
    std::vector<std::string> argv = {"dict", "-h", "127.0.0.1", "-p", std::to_string(port_)};
    argv.insert(argv.end(), args.begin(), args.end());
    return argv;
}

bool LocalDictd::Ready() const {
    Run run = RunProgram(Dict({"-D"}));
    return pid_ > 0 && run.status == 0 && run.out.find("Databases") != std::string::npos;
}

} // namespace dravel_peers
