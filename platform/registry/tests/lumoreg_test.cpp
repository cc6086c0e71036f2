// The lumoreg program: its commands, exit statuses, and many copies of it
// writing one store at the same time.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "platform/registry/registry.h"
#include "platform/registry/tests/test_env.h"
#include "testsupport/private_mounts.h"

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
      {},
      {"get", "a", "b"},
      {"set", "a", "b", "c"},
      {"list", "a"},
      {"delete", "a"},
      {"rename", "a", "b", "c"},
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
    runs.push_back(
        std::make_unique<LumoregRun>(std::vector<std::string>{"set", "Lumofind", "Libri\\" + std::to_string(i % 4),
                                                              "k" + std::to_string(i), "v" + std::to_string(i)},
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

// A store on a full disk or in a read-only folder is still read, without a
// file being made beside it; a change fails with the store's own error.
TEST_F(LumoregTest, AStoreThatCannotBeWrittenIsStillRead) {
  if (lumo::testsupport::privateMountsCommand().empty())
    GTEST_SKIP() << "needs a private mount namespace (unshare -m as root, unshare -rm otherwise) for a read-only "
                    "folder and a full file system";
  ASSERT_EQ(runLumoreg({"set", "App", "Sec", "Key", "Valore"}, dir_).status, 0);
  const std::filesystem::path store = config_ / "lumo";
  const std::string lumoreg = lumo::testsupport::shellQuoted(LUMO_TEST_BINARY_DIR "/tools/lumoreg/lumoreg");
  struct Case {
    const char* what;
    std::string setup;
    bool noNewFiles;
  } cases[] = {
      {"read-only folder", lumo::testsupport::readOnlyFolder(store), true},
      {"full disk", lumo::testsupport::nearlyFullFolder(store, 0), false},
  };
  const auto read = [](const std::filesystem::path& file) {
    std::ifstream in(file);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
  };
  for (const Case& c : cases) {
    const std::string out = (dir_ / "out").string();
    const std::string script = c.setup + lumoreg + " get App Sec Key >" + out + ".get 2>&1; echo $? >" + out +
                               ".get-status\n" + lumoreg + " set App Sec Other x >" + out + ".set 2>&1; echo $? >" +
                               out + ".set-status\n" + lumoreg + " list App Sec >" + out + ".list 2>&1\nls -A " +
                               lumo::testsupport::shellQuoted(store.string()) + " | grep -v filler >" + out + ".ls\n";
    ASSERT_EQ(lumo::testsupport::runWithPrivateMounts(script), 0) << c.what;
    EXPECT_EQ(read(out + ".get"), "Valore\n") << c.what;
    EXPECT_EQ(read(out + ".get-status"), "0\n") << c.what;
    EXPECT_EQ(read(out + ".set-status"), "1\n") << c.what;
    EXPECT_NE(read(out + ".set")
                  .find("errore 75: Errore di accesso al percorso/file: " + (store / "registry.sqlite").string()),
              std::string::npos)
        << c.what << ": " << read(out + ".set");
    EXPECT_EQ(read(out + ".list"), "Key=Valore\n") << c.what;
    if (c.noNewFiles) {
      EXPECT_EQ(read(out + ".ls"), "registry.sqlite\n") << c.what;
    }
  }
  // Out of the namespace the store is as it was, and takes changes again.
  EXPECT_EQ(runLumoreg({"set", "App", "Sec", "Other", "y"}, dir_).status, 0);
  EXPECT_EQ(runLumoreg({"list", "App", "Sec"}, dir_).out, "Key=Valore\nOther=y\n");
}

}  // namespace
}  // namespace lumo::registry
