// Running a program to its end from a benchmark, timed: fmhost with a script, or the benchmark's
// own executable in a reference mode, so that every contestant pays for starting a process.
#pragma once

#include <chrono>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <vector>

extern char** environ;

// Runs `args` (the program's path first) with its standard output in `output`; its wall time in
// seconds, or a negative number when it failed.
inline double timedRun(std::vector<std::string> args, const std::string& output) {
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    int status = 0;
    const bool ran = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0 &&
                     waitpid(pid, &status, 0) == pid && WIFEXITED(status) &&
                     WEXITSTATUS(status) == 0;
    posix_spawn_file_actions_destroy(&actions);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return ran ? seconds : -1;
}
