#include "reliability/programs_support.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "imaging/pixelgraphic.h"
#include "model/inifile.h"

extern char** environ;

namespace parvel::testing {

void MakeJpeg(const std::string& path, int width, int height) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  PixelGraphic image;
  image.SetSize(width, height);
  ASSERT_TRUE(SaveToJpeg(image, path, 80, false)) << path;
}

ProgramTest::ProgramTest() {
  const std::string source = std::string(PARVEL_SOURCE_DIR) + "/data/";
  std::filesystem::create_directories(data_);
  for (const char* folder : {"Styles", "Samples"}) {
    std::filesystem::copy(source + folder, data_ + folder,
                          std::filesystem::copy_options::recursive);
  }
}

pid_t ProgramTest::Start(const std::string& program, std::vector<std::string> args,
                         const std::string& tag) const {
  const std::string path = std::string(PARVEL_BINARY_DIR) + "/bin/" + program;
  args.insert(args.begin(), {path, "--data-dir", data_});
  std::vector<char*> argv;
  for (auto& word : args) argv.push_back(word.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, (dir_ / (tag + ".out")).c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
  pid_t pid = -1;
  const int err = ::posix_spawn(&pid, path.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  EXPECT_EQ(err, 0) << path;
  return err == 0 ? pid : -1;
}

Finished ProgramTest::Wait(pid_t pid, const std::string& tag) const {
  Finished done;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(10);
  int status = 0;
  rusage usage{};
  pid_t got = 0;
  while (pid > 0 && (got = ::wait4(pid, &status, WNOHANG, &usage)) == 0) {
    if (std::chrono::steady_clock::now() > deadline) ::kill(pid, SIGKILL);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  if (got == pid && WIFEXITED(status)) done.status = WEXITSTATUS(status);
  if (got == pid && WIFSIGNALED(status)) done.signal = WTERMSIG(status);
  done.peak_rss_kb = usage.ru_maxrss;
  done.output = ReadFile(dir_ / (tag + ".out"));
  return done;
}

void ProgramTest::CliOk(std::vector<std::string> args) const {
  const Finished run = Cli(args);
  ASSERT_EQ(run.status, 0) << args[0] << ": " << run.output;
}

void ProgramTest::NewSite(const std::string& name, int rotations, const std::string& live) const {
  if (rotations > 0) WriteFile(data_ + "options.ini", "[Options]\r\nUseRotations=True\r\n");
  CliOk({"new-site", name, "--path", site_});
  if (rotations == 0) return;
  IniFile general(data_ + "Site_1.ini");
  ASSERT_TRUE(general.Load());
  general.Set("General", "RotationCount", std::to_string(rotations));
  general.Set("General", "AutoRotate", "True");
  general.Set("General", "LivePath", live);
  general.Set("General", "CurrentRotationPosition", "1");
  ASSERT_TRUE(general.Save());
}

std::string ProgramTest::Setting(const std::string& section, const std::string& key) const {
  IniFile ini(data_ + "Site_1.ini");
  ini.Load();
  return ini.GetString(section, key, "<missing>");
}

}  // namespace parvel::testing
