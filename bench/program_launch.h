#pragma once
// What the download benchmarks share: where the built programs are, and starting
// quorvex-gpssim to read the device path it prints as its first line.

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

#include <string>
#include <vector>

// The directory of the running benchmark, where the other programs are built.
inline std::string ProgramDirectory() {
    char path[4096];
    ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) return ".";
    path[n] = '\0';
    std::string text(path);
    return text.substr(0, text.rfind('/'));
}

// A NULL-terminated argv over `arguments`, whose first entry is the program.
inline std::vector<char*> Argv(const std::vector<std::string>& arguments) {
    std::vector<char*> argv;
    for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    return argv;
}

// Runs `arguments[0]` with its standard error into the file `log` and waits for
// it: its exit status (-1 when it did not exit normally or did not run) and in
// `usage` its own resource usage.
inline int RunToEnd(const std::vector<std::string>& arguments, const std::string& log,
                    rusage& usage) {
    usage = rusage{};
    const pid_t pid = fork();
    if (pid == 0) {
        if (!freopen(log.c_str(), "w", stderr)) _exit(126);
        execv(arguments[0].c_str(), Argv(arguments).data());
        _exit(127);
    }
    int status = 0;
    if (pid < 0 || wait4(pid, &status, 0, &usage) != pid) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Starts `arguments[0]` with its standard output on a pipe and reads the device
// path it prints first. Returns the process ID, or -1 when nothing was printed.
inline pid_t StartSimulator(const std::vector<std::string>& arguments, std::string& device) {
    int out[2];
    if (pipe(out) != 0) return -1;
    pid_t pid = fork();
    if (pid == 0) {
        dup2(out[1], STDOUT_FILENO);
        close(out[0]);
        close(out[1]);
        execv(arguments[0].c_str(), Argv(arguments).data());
        _exit(127);
    }
    close(out[1]);
    char c;
    while (pid > 0 && read(out[0], &c, 1) == 1 && c != '\n') device += c;
    close(out[0]);
    return device.empty() ? -1 : pid;
}
