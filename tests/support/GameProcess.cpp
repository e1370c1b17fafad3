#include "support/GameProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "support/Commands.h"

GameProcess::GameProcess(const std::vector<std::string>& arguments, const std::vector<std::string>& environment,
                         const std::filesystem::path& errors) {
  // Everything is made before the fork: the child only calls what is safe
  // there.
  std::vector<std::string> variables;
  for (char** entry = environ; *entry != nullptr; ++entry) variables.emplace_back(*entry);
  for (const std::string& change : environment) {
    const std::string name = change.substr(0, change.find('='));
    std::erase_if(variables, [&](const std::string& v) { return v.compare(0, name.size() + 1, name + "=") == 0; });
    if (change.size() > name.size()) variables.push_back(change);
  }
  std::vector<char*> envp;
  for (std::string& variable : variables) envp.push_back(variable.data());
  envp.push_back(nullptr);
  std::string game = GameExecutable().string();
  std::vector<std::string> args = arguments;
  std::vector<char*> argv{game.data()};
  for (std::string& argument : args) argv.push_back(argument.data());
  argv.push_back(nullptr);
  const std::string errorFile = errors.empty() ? "/dev/null" : errors.string();
  pid_ = fork();
  if (pid_ != 0) return;
  const int out = open("/dev/null", O_WRONLY);
  const int err = open(errorFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (out >= 0) dup2(out, 1);
  if (err >= 0) dup2(err, 2);
  execve(game.c_str(), argv.data(), envp.data());
  _exit(127);
}

GameProcess::~GameProcess() {
  if (pid_ > 0 && exitCode_ < 0) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
}

int GameProcess::WaitForExit(double seconds) {
  if (pid_ <= 0 || exitCode_ >= 0) return exitCode_;
  const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  for (;;) {
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
      exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      return exitCode_;
    }
    if (std::chrono::steady_clock::now() >= end) return -1;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

int GameProcess::Terminate(double seconds) {
  if (pid_ > 0 && exitCode_ < 0) kill(pid_, SIGTERM);
  return WaitForExit(seconds);
}
