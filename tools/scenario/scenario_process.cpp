// Child processes with a time bound, and small file helpers.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <sstream>
#include <thread>

#include "scenario.h"

namespace scenario {

int spawn_process(const std::vector<std::string> &argv, const std::map<std::string, std::string> &env,
                  const std::string &out_file, const std::string &err_file)
{
    pid_t pid = fork();
    if (pid < 0)
        return -1;
    if (pid == 0) {
        // Its own process group, so that a timeout takes its children (wine's) along.
        setpgid(0, 0);
        for (const auto &[name, value] : env)
            setenv(name.c_str(), value.c_str(), 1);
        int null_in = open("/dev/null", O_RDONLY);
        dup2(null_in, 0);
        auto redirect = [](const std::string &file, int fd) {
            if (file.empty())
                return;
            int out = open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (out >= 0)
                dup2(out, fd);
        };
        redirect(out_file, 1);
        redirect(err_file, 2);
        std::vector<char *> args;
        for (const auto &a : argv)
            args.push_back(const_cast<char *>(a.c_str()));
        args.push_back(nullptr);
        execvp(args[0], args.data());
        _exit(127);
    }
    setpgid(pid, pid);
    return pid;
}

namespace {

// -1 while running, else the exit code (128 + signal for a killed child).
int finished(pid_t pid, bool wait)
{
    int status = 0;
    if (waitpid(pid, &status, wait ? 0 : WNOHANG) != pid)
        return -1;
    if (WIFEXITED(status))
        return WEXITSTATUS(status) == 127 ? -2 : WEXITSTATUS(status);
    return 128 + (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
}

}  // namespace

bool reap_process(int pid, double timeout_seconds)
{
    auto start = std::chrono::steady_clock::now();
    while (finished(pid, false) == -1) {
        if (std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() >
            timeout_seconds) {
            kill(-pid, SIGKILL);
            finished(pid, true);
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
}

int run_process(const std::vector<std::string> &argv, const std::map<std::string, std::string> &env,
                double timeout_seconds, const std::string &out_file, const std::string &err_file,
                void (*poll)(void *), void *poll_arg)
{
    pid_t pid = spawn_process(argv, env, out_file, err_file);
    if (pid < 0)
        return -2;
    auto start = std::chrono::steady_clock::now();
    for (;;) {
        int code = finished(pid, false);
        if (code != -1)
            return code;
        double elapsed =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (elapsed > timeout_seconds) {
            kill(-pid, SIGKILL);
            finished(pid, true);
            return -1;
        }
        if (poll)
            poll(poll_arg);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

std::string read_file(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

bool write_file(const std::string &path, const std::string &text)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    return (bool)out;
}

}  // namespace scenario
