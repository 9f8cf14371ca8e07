// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/score_tool_run.h"

#include <cerrno>
#include <csignal>
#include <algorithm>
#include <cstring>
#include <fstream>

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace kelodi::test {

namespace {

void closeBoth(int pipe[2])
{
    ::close(pipe[0]);
    ::close(pipe[1]);
}

}  // namespace

ToolRun runScoreTool(const std::vector<std::string>& args, const std::filesystem::path& folder,
                     std::chrono::seconds limit)
{
    ToolRun result;
    int out[2];
    int err[2];
    if (::pipe2(out, O_CLOEXEC) != 0)
        return {-2, {}, std::strerror(errno)};
    if (::pipe2(err, O_CLOEXEC) != 0) {
        closeBoth(out);
        return {-2, {}, std::strerror(errno)};
    }
    std::vector<std::string> words = {KELODI_DZQ_PATH};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);

    const pid_t child = ::fork();
    if (child == 0) {
        // Only async-signal-safe calls from here on.
        const int input = ::open("/dev/null", O_RDONLY);
        if (input < 0 || ::dup2(input, 0) < 0 || ::dup2(out[1], 1) < 0 || ::dup2(err[1], 2) < 0)
            ::_exit(126);
        if (!folder.empty() && ::chdir(folder.c_str()) != 0)
            ::_exit(126);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(out[1]);
    ::close(err[1]);
    if (child < 0) {
        ::close(out[0]);
        ::close(err[0]);
        return {-2, {}, std::strerror(errno)};
    }

    const auto deadline = std::chrono::steady_clock::now() + limit;
    pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    std::string* sinks[2] = {&result.out, &result.err};
    int open = 2;
    bool killed = false;
    while (open > 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            ::kill(child, SIGKILL);
            killed = true;
            break;
        }
        if (::poll(fds, 2, static_cast<int>(left.count())) < 0 && errno != EINTR)
            break;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0)
                continue;
            char buffer[65536];
            const ssize_t n = ::read(fds[i].fd, buffer, sizeof buffer);
            if (n > 0) {
                sinks[i]->append(buffer, static_cast<std::size_t>(n));
            } else if (n == 0 || errno != EINTR) {
                ::close(fds[i].fd);
                fds[i].fd = -1;
                --open;
            }
        }
    }
    for (const pollfd& fd : fds)
        if (fd.fd >= 0)
            ::close(fd.fd);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR)
        ;
    if (killed)
        result.status = -1;
    else if (WIFEXITED(status))
        result.status = WEXITSTATUS(status);
    else if (WIFSIGNALED(status))
        result.status = 128 + WTERMSIG(status);
    return result;
}

std::string ownLines(const std::string& err)
{
    static const char* const foreign[] = {"ALSA lib ", "fluidsynth: ", "Cannot connect to server", "jack server ",
                                          "JackShm", "Cannot read socket", "Cannot open "};
    std::string own;
    for (std::size_t start = 0; start < err.size();) {
        const std::size_t end = std::min(err.find('\n', start), err.size() - 1);
        const std::string line = err.substr(start, end + 1 - start);
        start = end + 1;
        bool theirs = false;
        for (const char* prefix : foreign)
            theirs = theirs || line.rfind(prefix, 0) == 0;
        if (!theirs)
            own += line;
    }
    return own;
}

const std::string& usageText()
{
    static const std::string text = runScoreTool({"--help"}, std::filesystem::temp_directory_path()).out;
    return text;
}

std::string ScoreToolTest::write(const std::string& name, const std::string& bytes) const
{
    std::ofstream(m_folder / name, std::ios::binary) << bytes;
    return path(name);
}

}  // namespace kelodi::test
