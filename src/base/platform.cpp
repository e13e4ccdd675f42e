#include "base/platform.h"

#include <fcntl.h>
#include <spawn.h>

#include <cerrno>

extern char** environ;

namespace orv {

namespace fs = std::filesystem;

fs::path ExecutablePath() {
  std::error_code ec;
  fs::path path = fs::read_symlink("/proc/self/exe", ec);
  if (ec) return {};
  return path;
}

fs::path ExecutableFolder() {
  const fs::path exe = ExecutablePath();
  std::error_code ec;
  if (exe.empty()) return fs::current_path(ec);
  return exe.parent_path();
}

std::tm LocalTimeNow() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return local;
}

std::vector<std::string> CurrentEnvironment() {
  std::vector<std::string> variables;
  for (char** e = environ; e != nullptr && *e != nullptr; ++e) variables.emplace_back(*e);
  return variables;
}

StartedProcess StartProcess(const std::vector<std::string>& arguments,
                            const std::vector<std::string>& environment, int outputFd,
                            int errorFd) {
  StartedProcess started;
  if (arguments.empty()) {
    started.error = EINVAL;
    return started;
  }
  // posix_spawn takes NUL-terminated lists of mutable texts.
  std::vector<std::string> args = arguments;
  std::vector<std::string> env = environment;
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  std::vector<char*> envp;
  for (std::string& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, outputFd, 1);
  posix_spawn_file_actions_adddup2(&actions, errorFd, 2);
  pid_t pid = -1;
  started.error = ::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (started.error == 0) started.pid = pid;
  return started;
}

}  // namespace orv
