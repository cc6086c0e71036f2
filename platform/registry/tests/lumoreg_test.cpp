// The lumoreg program: its commands, exit statuses, and many copies of it
// writing one store at the same time.

#include <gtest/gtest.h>

#include <memory>

#include "platform/registry/registry.h"
#include "platform/registry/tests/test_env.h"

namespace lumo::registry {
namespace {

using testing::LumoregRun;
using testing::RegistryTest;
using testing::runLumoreg;

using LumoregTest = RegistryTest;

TEST_F(LumoregTest, SetGetListAndDeleteOneSection) {
  EXPECT_EQ(runLumoreg({"set", "Zivuvu", "Default", "Path", "/opt/lumo"}, dir_).status, 0);
  EXPECT_EQ(runLumoreg({"set", "Zivuvu", "Default", "Lingua", "it"}, dir_).status, 0);
  EXPECT_EQ(GetSetting("Zivuvu", "Default", "Path"), "/opt/lumo");

  auto get = runLumoreg({"get", "zivuvu", "DEFAULT", "path"}, dir_);
  EXPECT_EQ(get.status, 0);
  EXPECT_EQ(get.out, "/opt/lumo\n");
  EXPECT_EQ(runLumoreg({"get", "Zivuvu", "Default", "Missing", "vuoto"}, dir_).out, "vuoto\n");
  EXPECT_EQ(runLumoreg({"get", "Zivuvu", "Default", "Missing"}, dir_).out, "\n");
  EXPECT_EQ(runLumoreg({"list", "Zivuvu", "Default"}, dir_).out, "Path=/opt/lumo\nLingua=it\n");

  EXPECT_EQ(runLumoreg({"delete", "Zivuvu", "Default", "Lingua"}, dir_).status, 0);
  EXPECT_EQ(GetAllSettings("Zivuvu", "Default").size(), 1u);
  EXPECT_EQ(runLumoreg({"delete", "Zivuvu", "Default"}, dir_).status, 0);
  EXPECT_EQ(runLumoreg({"list", "Zivuvu", "Default"}, dir_).out, "");
}

TEST_F(LumoregTest, UsageErrorsExitWith2AndStoreErrorsWith1) {
  const std::vector<std::vector<std::string>> usage = {
      {}, {"get", "a", "b"}, {"set", "a", "b", "c"}, {"list", "a"}, {"delete", "a"}, {"rename", "a", "b", "c"},
      {"get", "a", "b", "c", "d", "e"},
  };
  for (const auto& args : usage) {
    auto r = runLumoreg(args, dir_);
    EXPECT_EQ(r.status, 2) << ::testing::PrintToString(args);
    EXPECT_NE(r.err.find("uso: lumoreg"), std::string::npos);
    EXPECT_EQ(r.out, "");
  }
  EXPECT_EQ(runLumoreg({"--help"}, dir_).status, 0);

  auto missing = runLumoreg({"delete", "App", "Section", "Key"}, dir_);
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.err.find("Chiamata di routine o argomento non validi"), std::string::npos) << missing.err;

  setenv("XDG_CONFIG_HOME", "/proc/no-such-place", 1);
  auto broken = runLumoreg({"get", "App", "Section", "Key"}, dir_);
  EXPECT_EQ(broken.status, 1);
  EXPECT_NE(broken.err.find("/proc/no-such-place/lumo/registry.sqlite"), std::string::npos) << broken.err;
}

// Many programs that write at once, the first of them creating the
// database, must each get their change in.
TEST_F(LumoregTest, ProgramsWritingAtOnceLoseNothing) {
  constexpr int kWriters = 32;
  std::vector<std::unique_ptr<LumoregRun>> runs;
  for (int i = 0; i < kWriters; ++i) {
    runs.push_back(std::make_unique<LumoregRun>(
        std::vector<std::string>{"set", "Lumofind", "Libri\\" + std::to_string(i % 4), "k" + std::to_string(i),
                                 "v" + std::to_string(i)},
        dir_));
  }
  for (auto& run : runs) {
    auto r = run->finish();
    EXPECT_EQ(r.status, 0) << r.err;
  }
  for (int i = 0; i < kWriters; ++i)
    EXPECT_EQ(GetSetting("Lumofind", "Libri\\" + std::to_string(i % 4), "k" + std::to_string(i), "lost"),
              "v" + std::to_string(i));
  EXPECT_EQ(Store::open(Hive::CurrentUser).subkeys(settingsKeyPath("Lumofind", "Libri")).size(), 4u);
}

}  // namespace
}  // namespace lumo::registry
