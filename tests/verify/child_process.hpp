#pragma once
// Runs a program as a child process with chosen standard streams and collects what it wrote.

#include <string>
#include <vector>

namespace orvek_verify::testing {

/// Where the child's standard error goes.
enum class ErrorStream {
  pipe,         ///< a pipe the parent reads
  closed_pipe,  ///< a pipe whose reading end is already closed (writes fail with EPIPE)
  terminal,     ///< the slave side of a pseudo-terminal the parent reads
};

struct ChildOptions {
  std::string input;  ///< written to the child's standard input, then closed
  ErrorStream error_stream = ErrorStream::pipe;
  unsigned short terminal_columns = 80;  ///< width of the pseudo-terminal
};

struct ChildResult {
  int status = -1;  ///< as waitpid reports it
  std::string out;  ///< standard output
  std::string err;  ///< standard error (terminal bytes for ErrorStream::terminal)
};

/// Runs `path` with `argv` (argv[0] included, free to differ from the path) and waits for it.
ChildResult runChild(const std::string& path, const std::vector<std::string>& argv, const ChildOptions& options = {});

/// Whether the child exited normally with status `code`.
bool exitedWith(const ChildResult& r, int code);

/// Whether the child was ended by `signal`.
bool killedBy(const ChildResult& r, int signal);

}  // namespace orvek_verify::testing
