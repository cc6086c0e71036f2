#pragma once
// A private settings environment for each test: XDG_CONFIG_HOME and
// LUMO_MACHINE_REGISTRY point into a fresh temporary folder.

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "testsupport/common/test_files.h"
#include "testsupport/test_env.h"

namespace lumo::registry::testing {

class RegistryTest : public ::testing::Test {
 protected:
  lumo::testsupport::TempFolder temp_{"lumo-registry"};
  std::filesystem::path dir_ = temp_.path();                             // the test's own folder
  std::filesystem::path config_ = dir_ / "config";                       // XDG_CONFIG_HOME
  std::filesystem::path machine_ = dir_ / "machine" / "machine.sqlite";  // LUMO_MACHINE_REGISTRY (not created)

 private:
  lumo::testsupport::ScopedEnv configEnv_{"XDG_CONFIG_HOME", config_.string()};
  lumo::testsupport::ScopedEnv machineEnv_{"LUMO_MACHINE_REGISTRY", machine_.string()};
};

struct ProcessResult {
  int status = -1;  // exit status; -1 when the program did not exit normally
  std::string out;
  std::string err;
};

// Starts the built lumoreg with the arguments, without waiting; its output
// goes to files in folder, which finish() reads back.
class LumoregRun {
 public:
  LumoregRun(const std::vector<std::string>& args, const std::filesystem::path& folder);
  ProcessResult finish();

 private:
  int pid_ = -1;
  std::filesystem::path out_, err_;
};

ProcessResult runLumoreg(const std::vector<std::string>& args, const std::filesystem::path& folder);

}  // namespace lumo::registry::testing
