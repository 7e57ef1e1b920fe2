#include "child_process.hpp"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <stdexcept>

extern char** environ;

namespace orvek_verify::testing {
namespace {

void check(bool ok, const char* what) {
  if (!ok) throw std::runtime_error(std::string(what) + " failed: errno " + std::to_string(errno));
}

void makePipe(int fds[2]) { check(::pipe2(fds, O_CLOEXEC) == 0, "pipe2"); }

// Reads `fd` to its end (EOF, or EIO once a pseudo-terminal's slave side is gone).
bool drainSome(int fd, std::string& into) {
  char buf[4096];
  const ssize_t n = ::read(fd, buf, sizeof buf);
  if (n > 0) {
    into.append(buf, static_cast<std::size_t>(n));
    return true;
  }
  if (n < 0 && errno == EINTR) return true;
  return false;
}

}  // namespace

ChildResult runChild(const std::string& path, const std::vector<std::string>& argv, const ChildOptions& options) {
  // The child may exit before reading its input; that must not kill the test.
  ::signal(SIGPIPE, SIG_IGN);

  int in[2];
  int out[2];
  makePipe(in);
  makePipe(out);
  check(options.input.size() < 65536, "input fits the pipe");
  if (!options.input.empty()) {
    check(::write(in[1], options.input.data(), options.input.size()) == static_cast<ssize_t>(options.input.size()),
          "write input");
  }
  ::close(in[1]);

  int err_read = -1;
  int err_write = -1;
  if (options.error_stream == ErrorStream::terminal) {
    winsize size{};
    size.ws_col = options.terminal_columns;
    size.ws_row = 24;
    check(::openpty(&err_read, &err_write, nullptr, nullptr, &size) == 0, "openpty");
    ::fcntl(err_read, F_SETFD, FD_CLOEXEC);
    ::fcntl(err_write, F_SETFD, FD_CLOEXEC);
  } else {
    int err[2];
    makePipe(err);
    err_read = err[0];
    err_write = err[1];
    if (options.error_stream == ErrorStream::closed_pipe) {
      ::close(err_read);
      err_read = -1;
    }
  }

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, err_write, STDERR_FILENO);

  std::vector<char*> args;
  for (const auto& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  pid_t pid = -1;
  const int spawned = ::posix_spawn(&pid, path.c_str(), &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(in[0]);
  ::close(out[1]);
  ::close(err_write);
  check(spawned == 0, "posix_spawn");

  ChildResult result;
  pollfd fds[2] = {{out[0], POLLIN, 0}, {err_read, POLLIN, 0}};
  int open_streams = err_read >= 0 ? 2 : 1;
  if (err_read < 0) fds[1].fd = -1;
  while (open_streams > 0) {
    if (::poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || fds[i].revents == 0) continue;
      if (!drainSome(fds[i].fd, i == 0 ? result.out : result.err)) {
        ::close(fds[i].fd);
        fds[i].fd = -1;
        --open_streams;
      }
    }
  }
  check(::waitpid(pid, &result.status, 0) == pid, "waitpid");
  return result;
}

bool exitedWith(const ChildResult& r, int code) { return WIFEXITED(r.status) && WEXITSTATUS(r.status) == code; }

bool killedBy(const ChildResult& r, int signal) { return WIFSIGNALED(r.status) && WTERMSIG(r.status) == signal; }

}  // namespace orvek_verify::testing
