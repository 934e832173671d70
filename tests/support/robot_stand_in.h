// The robot stand-in run as its own process by the tests of the stand-in and
// of "pelublock send". The test target defines PELU_ROBOT_EXE, the path of
// the stand-in the build made.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#ifndef PELU_ROBOT_EXE
#define PELU_ROBOT_EXE PELU_BINARY_DIR "/tools/robot/pelublock-robot"
#endif

extern char** environ;

namespace test_support {

using Lines = std::vector<std::string>;

// One run of the stand-in, its stdout and stderr read through one pipe.
class StandIn {
 public:
  explicit StandIn(std::vector<std::string> args) {
    args.insert(args.begin(), PELU_ROBOT_EXE);
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0) {
      ADD_FAILURE() << "no pipe";
      return;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, out[1], 2);
    std::vector<char*> argv;
    for (std::string& arg : args) {
      argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    if (::posix_spawn(&m_pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
      m_pid = -1;
      ADD_FAILURE() << "cannot start " << argv[0];
    }
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    m_out = out[0];
  }

  ~StandIn() {
    if (m_pid > 0) {
      ::kill(m_pid, SIGKILL);
      ::waitpid(m_pid, nullptr, 0);
    }
    ::close(m_out);
  }

  // The next line of output without its line feed; nothing at the end of
  // the output or when none comes within 5 seconds.
  std::optional<std::string> ReadLine() {
    std::size_t end;
    while ((end = m_buffer.find('\n')) == std::string::npos) {
      pollfd p{m_out, POLLIN, 0};
      char chunk[512];
      ssize_t n = 0;
      if (::poll(&p, 1, 5000) != 1 || (n = ::read(m_out, chunk, sizeof chunk)) <= 0) {
        return std::nullopt;
      }
      m_buffer.append(chunk, static_cast<std::size_t>(n));
    }
    std::string line = m_buffer.substr(0, end);
    m_buffer.erase(0, end + 1);
    return line;
  }

  // The lines up to and including the first that starts with the prefix.
  Lines ReadUntil(const std::string& prefix) {
    Lines lines;
    while (std::optional<std::string> line = ReadLine()) {
      lines.push_back(*line);
      if (line->starts_with(prefix)) {
        return lines;
      }
    }
    ADD_FAILURE() << "no line starting with \"" << prefix << "\"";
    return lines;
  }

  // The port of the first line, "-- listening on ADDRESS:PORT" (or refusing).
  std::uint16_t Port() {
    const std::string line = ReadLine().value_or("");
    EXPECT_NE(line.rfind(':'), std::string::npos) << "no address line";
    return static_cast<std::uint16_t>(std::atoi(line.substr(line.rfind(':') + 1).c_str()));
  }

  // The exit status once the process ends (asked to with SIGTERM or not).
  int Wait(bool terminate) {
    if (terminate) {
      ::kill(m_pid, SIGTERM);
    }
    int status = 0;
    ::waitpid(m_pid, &status, 0);
    m_pid = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

 private:
  pid_t m_pid = -1;
  int m_out = -1;
  std::string m_buffer;
};

}  // namespace test_support
