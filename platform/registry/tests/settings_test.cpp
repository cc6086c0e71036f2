// The VB settings calls and the hives at the places the environment names.

#include <gtest/gtest.h>

#include <fstream>
#include <stdexcept>

#include "common/errors/errors.h"
#include "platform/registry/registry.h"
#include "platform/registry/tests/test_env.h"

namespace lumo::registry {
namespace {

using testing::RegistryTest;
using Pairs = std::vector<std::pair<std::string, std::string>>;
using Names = std::vector<std::string>;

const std::string kApp = "QEN MediaPlayer";

int errorNumber(const std::function<void()>& f) {
  try {
    f();
  } catch (const RuntimeError& e) {
    return e.number();
  }
  return 0;
}

using SettingsTest = RegistryTest;

TEST_F(SettingsTest, GetSettingGivesTheDefaultUntilAValueIsSaved) {
  EXPECT_EQ(GetSetting(kApp, "Player", "Volume", "50"), "50");
  EXPECT_EQ(GetSetting(kApp, "Player", "Volume"), "");
  SaveSetting(kApp, "Player", "Volume", "80");
  EXPECT_EQ(GetSetting(kApp, "player", "VOLUME", "50"), "80");
  EXPECT_EQ(GetSetting(kApp, "Player", "Rate", "vuoto"), "vuoto");
  EXPECT_EQ(GetSetting(kApp, "Other", "Volume", "vuoto"), "vuoto");
  // An empty saved value is a value, not a missing one.
  SaveSetting(kApp, "Player", "StyleSheet", "");
  EXPECT_EQ(GetSetting(kApp, "Player", "StyleSheet", "x"), "");
}

TEST_F(SettingsTest, ASectionWithBackslashesNestsKeysUnderTheApplication) {
  SaveSetting(kApp, "ABC\\CAP 1.HTM", "1NOME", "Capitolo");
  Store& store = Store::open(Hive::CurrentUser);
  EXPECT_EQ(settingsKeyPath(kApp, "ABC"), "Software\\VB and VBA Program Settings\\QEN MediaPlayer\\ABC");
  EXPECT_EQ(store.subkeys("Software\\VB and VBA Program Settings"), Names{kApp});
  EXPECT_EQ(store.subkeys(settingsKeyPath(kApp, "ABC")), Names{"CAP 1.HTM"});
  EXPECT_EQ(store.value(settingsKeyPath(kApp, "abc\\cap 1.htm"), "1nome")->data, "Capitolo");
  EXPECT_TRUE(GetAllSettings(kApp, "ABC").empty());
}

TEST_F(SettingsTest, DeleteSettingRemovesAValueOrAWholeSectionAndRefusesMissingOnes) {
  SaveSetting(kApp, "LIBRO\\A.HTM", "1", "10");
  SaveSetting(kApp, "LIBRO\\A.HTM", "1NOME", "uno");
  SaveSetting(kApp, "LIBRO\\A.HTM\\Sub", "x", "1");
  SaveSetting(kApp, "LIBRO\\B.HTM", "1", "20");

  DeleteSetting(kApp, "libro\\a.htm", "1nome");
  EXPECT_EQ(GetAllSettings(kApp, "LIBRO\\A.HTM"), (Pairs{{"1", "10"}}));
  EXPECT_EQ(errorNumber([] { DeleteSetting(kApp, "LIBRO\\A.HTM", "1NOME"); }), err::InvalidCall);
  EXPECT_EQ(errorNumber([] { DeleteSetting(kApp, "LIBRO\\C.HTM", "1"); }), err::InvalidCall);

  DeleteSetting(kApp, "LIBRO\\A.HTM");
  EXPECT_EQ(GetSetting(kApp, "LIBRO\\A.HTM\\Sub", "x", "vuoto"), "vuoto");
  EXPECT_EQ(GetSetting(kApp, "LIBRO\\B.HTM", "1", "vuoto"), "20");
  EXPECT_EQ(errorNumber([] { DeleteSetting(kApp, "LIBRO\\A.HTM"); }), err::InvalidCall);

  // An empty section deletes the whole application.
  DeleteSetting(kApp, "");
  EXPECT_EQ(GetSetting(kApp, "LIBRO\\B.HTM", "1", "vuoto"), "vuoto");
}

TEST_F(SettingsTest, GetAllSettingsListsInCreationOrderAndShowsNumbersAsDecimalText) {
  EXPECT_TRUE(GetAllSettings(kApp, "Player").empty());
  SaveSetting(kApp, "Player", "Volume", "80");
  SaveSetting(kApp, "Player", "Brano", "a.mp3");
  SaveSetting(kApp, "Player", "volume", "90");
  Store::open(Hive::CurrentUser)
      .setValue(settingsKeyPath(kApp, "Player"), Value{"TempoSp", ValueType::Dword, "", 4000000000u});
  Store::open(Hive::CurrentUser)
      .setValue(settingsKeyPath(kApp, "Player"), Value{"Path", ValueType::ExpandString, "%HOME%"});
  EXPECT_EQ(GetAllSettings(kApp, "Player"),
            (Pairs{{"Volume", "90"}, {"Brano", "a.mp3"}, {"TempoSp", "4000000000"}, {"Path", "%HOME%"}}));
  EXPECT_EQ(GetSetting(kApp, "Player", "TempoSp"), "4000000000");
}

TEST_F(SettingsTest, SavingWithAnEmptyApplicationNameIsAnInvalidCall) {
  EXPECT_EQ(errorNumber([] { SaveSetting("", "Player", "Volume", "1"); }), err::InvalidCall);
  EXPECT_EQ(GetSetting("", "Player", "Volume", "d"), "d");
  EXPECT_TRUE(Store::open(Hive::CurrentUser).subkeys("Software\\VB and VBA Program Settings").empty());
}

TEST_F(SettingsTest, AFailingSettingsTransactionSavesNothing) {
  SaveSetting(kApp, "Player", "Volume", "10");
  EXPECT_THROW(SettingsTransaction([] {
                 SaveSetting(kApp, "Player", "Volume", "20");
                 DeleteSetting(kApp, "Player", "Missing");  // raises error 5
                 SaveSetting(kApp, "Player", "Rate", "1");
               }),
               RuntimeError);
  EXPECT_EQ(GetAllSettings(kApp, "Player"), (Pairs{{"Volume", "10"}}));

  SettingsTransaction([] {
    SaveSetting(kApp, "Player", "Volume", "30");
    SaveSetting(kApp, "Player", "Rate", "1");
  });
  EXPECT_EQ(GetAllSettings(kApp, "Player"), (Pairs{{"Volume", "30"}, {"Rate", "1"}}));
}

TEST_F(SettingsTest, TheUserHiveFollowsXdgConfigHomeFromCallToCall) {
  SaveSetting("Zivuvu", "Default", "Path", "/first");
  EXPECT_TRUE(std::filesystem::exists(config_ / "lumo" / "registry.sqlite"));
  EXPECT_EQ(hiveDatabaseFile(Hive::CurrentUser), (config_ / "lumo" / "registry.sqlite").string());

  const auto second = dir_ / "second";
  setenv("XDG_CONFIG_HOME", second.c_str(), 1);
  EXPECT_EQ(GetSetting("Zivuvu", "Default", "Path", "none"), "none");
  SaveSetting("Zivuvu", "Default", "Path", "/second");

  setenv("XDG_CONFIG_HOME", config_.c_str(), 1);
  EXPECT_EQ(GetSetting("Zivuvu", "Default", "Path"), "/first");
}

TEST_F(SettingsTest, WithoutXdgConfigHomeTheUserHiveIsUnderHomeDotConfig) {
  const char* oldHome = std::getenv("HOME");
  std::string savedHome = oldHome ? oldHome : "";
  setenv("HOME", dir_.c_str(), 1);
  for (const char* xdg : {"", "relative/folder"}) {
    setenv("XDG_CONFIG_HOME", xdg, 1);
    EXPECT_EQ(hiveDatabaseFile(Hive::CurrentUser), (dir_ / ".config" / "lumo" / "registry.sqlite").string());
  }
  unsetenv("XDG_CONFIG_HOME");
  SaveSetting("Zivuvu", "Default", "Path", "/x");
  EXPECT_TRUE(std::filesystem::exists(dir_ / ".config" / "lumo" / "registry.sqlite"));
  if (oldHome)
    setenv("HOME", savedHome.c_str(), 1);
  else
    unsetenv("HOME");
}

TEST_F(SettingsTest, AUserHiveThatCannotBeMadeRaisesError75) {
  std::ofstream(dir_ / "not-a-folder") << "x";
  setenv("XDG_CONFIG_HOME", (dir_ / "not-a-folder").c_str(), 1);
  for (const auto& call : std::vector<std::function<void()>>{
           [] { GetSetting(kApp, "Player", "Volume", "1"); },
           [] { SaveSetting(kApp, "Player", "Volume", "1"); },
       }) {
    try {
      call();
      ADD_FAILURE() << "no error";
    } catch (const RuntimeError& e) {
      EXPECT_EQ(e.number(), err::PathFileAccess);
      EXPECT_NE(e.description().find("not-a-folder/lumo/registry.sqlite"), std::string::npos) << e.description();
    }
  }
}

TEST_F(SettingsTest, TheMachineHiveIsReadOnlyAndReadsAsEmptyWhileMissing) {
  Store& machine = Store::open(Hive::LocalMachine);
  EXPECT_TRUE(machine.readOnly());
  EXPECT_EQ(machine.databaseFile(), machine_.string());
  EXPECT_FALSE(machine.keyExists("SOFTWARE\\Microsoft"));
  EXPECT_FALSE(machine.value("SOFTWARE\\Microsoft", "x"));
  EXPECT_EQ(errorNumber([&] { machine.setValue("SOFTWARE", Value{"x"}); }), err::PermissionDenied);
  EXPECT_FALSE(std::filesystem::exists(machine_));

  {
    Store installer(machine_.string());
    installer.setValue("SOFTWARE\\Lumo", Value{"Code", ValueType::String, "42"});
  }
  EXPECT_EQ(Store::open(Hive::LocalMachine).value("software\\lumo", "code")->data, "42");
}

}  // namespace
}  // namespace lumo::registry
