// Runs a command with stdin from a file and stdout to /dev/null, in a given
// folder, and prints "SECONDS MAX_RSS_KB EXIT_STATUS" for it alone.
// Usage: run_measured DIR STDIN_FILE COMMAND [ARGS...]
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s DIR STDIN_FILE COMMAND [ARGS...]\n", argv[0]);
        return 2;
    }
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child == 0) {
        const int in = ::open(argv[2], O_RDONLY);
        const int out = ::open("/dev/null", O_WRONLY);
        if (in < 0 || out < 0 || chdir(argv[1]) != 0) _exit(127);
        dup2(in, 0);
        dup2(out, 1);
        execv(argv[3], argv + 3);
        _exit(127);
    }
    int status = 0;
    struct rusage usage {};
    if (child < 0 || wait4(child, &status, 0, &usage) != child) return 1;
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%.4f %ld %d\n", seconds, usage.ru_maxrss, WIFEXITED(status) ? WEXITSTATUS(status) : -1);
    return 0;
}
