// The registry string reader in its three modes, on a machine store of the
// test's own.

#include <gtest/gtest.h>

#include "finder/core/leggiregistro.h"
#include "testsupport/finder_fixture.h"

using namespace lumo::finder;
using namespace lumo::finder::testing;
using lumo::registry::Value;
using lumo::registry::ValueType;

namespace {

const std::string kKey = "SOFTWARE\\Lumo\\Prova";

class RegistryReaderTest : public FinderFixture {
 protected:
  void SetUp() override {
    FinderFixture::SetUp();
    lumo::registry::Store machine((root / "machine.sqlite").string());
    machine.setValue(kKey, {"Vuoto", ValueType::String, ""});
    machine.setValue(kKey, {"Quattordici", ValueType::String, "12345678901234"});
    machine.setValue(kKey, {"Numero", ValueType::Dword, "", 0x00636261});
  }
  std::string read(int16_t mode, const std::string& key, const std::string& name, int32_t hive = HKEY_LOCAL_MACHINE) {
    return ReadRegistryString(mode, key, name, hive);
  }
};

TEST_F(RegistryReaderTest, AValueIsReadInEveryMode) {
  for (int16_t mode : {mode::Silent, mode::Raise, mode::Message}) {
    SCOPED_TRACE(mode);
    EXPECT_EQ(read(mode, kKey, "Quattordici"), "12345678901234");
    EXPECT_EQ(read(mode, "software\\LUMO\\prova", "QUATTORDICI"), "12345678901234");
    // An empty value and a missing one both end at their size, in every mode.
    EXPECT_EQ(read(mode, kKey, "Vuoto"), "");
    EXPECT_EQ(read(mode, kKey, "Assente"), "");
    // The type is not checked: a number gives its bytes but the last.
    EXPECT_EQ(read(mode, kKey, "Numero"), "abc");
  }
  EXPECT_TRUE(script->shown().empty());
}

TEST_F(RegistryReaderTest, AMissingKeyInEachMode) {
  const std::string missing = "SOFTWARE\\Lumo\\Nessuna";
  EXPECT_EQ(read(mode::Silent, missing, "Quattordici"), "");
  EXPECT_TRUE(script->shown().empty());

  EXPECT_EQ(read(mode::Message, missing, "Quattordici"), "");
  EXPECT_EQ(messages(), std::vector<std::string>{"Attenzione|16|La chiave " + missing + "non è presente nel registro"});

  try {
    read(mode::Raise, missing, "Quattordici");
    FAIL() << "no error raised";
  } catch (const ApiError& e) {
    EXPECT_EQ(e.number(), -2147192502);
    EXPECT_TRUE(e.source().ends_with(".Windows")) << e.source();
    EXPECT_EQ(e.description(), "Impossibile trovare il file specificato.\r\n");
  }
  // The user's hive has no such key either; a hive the store lacks is an invalid handle.
  EXPECT_EQ(read(mode::Silent, kKey, "Quattordici", HKEY_CURRENT_USER), "");
  try {
    read(mode::Raise, kKey, "Quattordici", HKEY_USERS);
    FAIL() << "no error raised";
  } catch (const ApiError& e) {
    EXPECT_EQ(e.number(), kApiErrorBase + api::InvalidHandle);
  }
}

TEST_F(RegistryReaderTest, TheUsersHiveIsReadToo) {
  lumo::registry::SaveSetting("lumofind", "fcustom", "path", "/libri/");
  EXPECT_EQ(read(mode::Raise, lumo::registry::settingsKeyPath("lumofind", "fcustom"), "path", HKEY_CURRENT_USER),
            "/libri/");
}

TEST(RaiseApiErrorTest, NumbersSourcesAndTheOverflowBelowTheRange) {
  try {
    RaiseApiError(api::AccessDenied);
  } catch (const ApiError& e) {
    EXPECT_EQ(e.number(), -2147192499);
    EXPECT_EQ(e.description(), "Accesso negato.\r\n");
  }
  try {
    RaiseApiError(-291144);  // the lowest code that still forms a number
  } catch (const ApiError& e) {
    EXPECT_EQ(e.number(), INT32_MIN);
    EXPECT_EQ(e.description(), "");
  }
  try {
    RaiseApiError(-291145);
  } catch (const ApiError&) {
    FAIL() << "an overflow is no ApiError";
  } catch (const lumo::RuntimeError& e) {
    EXPECT_EQ(e.number(), lumo::err::Overflow);
  }
  EXPECT_NO_THROW(CheckApiResult(0));
  EXPECT_THROW(CheckApiResult(api::FileNotFound), ApiError);
}

TEST(GetApiErrorTextTest, TheStoresCodesHaveTextsOthersNone) {
  for (int32_t code :
       {api::FileNotFound, api::AccessDenied, api::InvalidHandle, api::MoreData, api::RegistryIoFailed}) {
    const std::string text = GetApiErrorText(code);
    EXPECT_TRUE(text.size() > 2 && text.ends_with(".\r\n")) << code << ": " << text;
  }
  EXPECT_EQ(GetApiErrorText(api::FileNotFound), "Impossibile trovare il file specificato.\r\n");
  EXPECT_EQ(GetApiErrorText(12345), "");
  EXPECT_EQ(GetApiErrorText(-1), "");
}

}  // namespace
