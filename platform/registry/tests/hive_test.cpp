// Hive files: a hive made by the test restored into the player's tree, and
// damaged hives refused with the store unchanged.

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "platform/registry/hive.h"
#include "platform/registry/registry.h"
#include "platform/registry/tests/test_env.h"
#include "testsupport/hive_fixture.h"

namespace lumo::registry {
namespace {

using testing::RegistryTest;
namespace fs = std::filesystem;

const std::string kTree = "Software\\VB and VBA Program Settings\\QEN MediaPlayer";

std::string dump(Store& store, const std::string& path) {
  std::string out = "[" + path + "]\n";
  for (const Value& v : store.values(path))
    out += v.name + "|" + std::to_string(int(v.type)) + "|" + v.data + "|" + std::to_string(v.dword) + "\n";
  for (const std::string& name : store.subkeys(path)) out += dump(store, path + "\\" + name);
  return out;
}

HiveKey key(const std::string& name, std::vector<Value> values, std::vector<HiveKey> subkeys = {}) {
  return HiveKey{name, std::move(values), std::move(subkeys)};
}
Value text(const std::string& name, const std::string& data, ValueType type = ValueType::String) {
  return Value{name, type, data};
}

// The settings a reader saved on Windows: the player's section and the
// bookmarks of two pages.
HiveKey savedSettings() {
  Value volume = text("Volume", "80");
  Value number{"Numero", ValueType::Dword, ""};
  number.dword = 0xFFFFFFFEu;
  return key(
      "QEN MediaPlayer", {text("", "radice")},
      {key("Player", {volume, text("Brano", "C:\\Libri\\Città\\A.htm"), number,
                      text("Lista", std::string("uno\0due", 7), ValueType::MultiString),
                      text("Dati", std::string("\x00\xFF", 2), ValueType::Binary)}),
       key("LB01", {},
           {key("CAP 1.HTM", {text("1", "95"), text("1NOME", "Capitolo «uno» \"q\""), text("1NOMEAUDIO", "A.mp3")})}),
       key("Perché", {text("1", "5")})});
}

class HiveTest : public RegistryTest {
 protected:
  Store& user() { return Store::open(Hive::CurrentUser); }
};

TEST_F(HiveTest, ARestoreReplacesTheWholeTreeByTheHive) {
  const fs::path hive = dir_ / "book.qen";
  testing::writeHive(hive, savedSettings());
  user().setValue(kTree + "\\Player", text("Old", "1"));
  user().setValue(kTree + "\\Player", text("Volume", "10"));
  user().setValue(kTree + "\\OLDBOOK\\X.HTM", text("1", "3"));
  user().setValue(kTree, text("top", "1"));
  user().setValue("Software\\VB and VBA Program Settings\\Zivuvu\\Default", text("Path", "/opt/lumo"));

  RestoreResult result = RestoreRegistryKey(kTree, hive.string(), HKEY_CURRENT_USER);
  ASSERT_TRUE(result.ok) << result.error;

  // The same tree, made directly in an empty store, dumps the same.
  const std::string restored = dump(user(), kTree);
  Store expected((dir_ / "expected.sqlite").string());
  const HiveKey saved = savedSettings();
  std::function<void(const std::string&, const HiveKey&)> put = [&](const std::string& path, const HiveKey& k) {
    expected.createKey(path);
    for (const Value& v : k.values) expected.setValue(path, v);
    for (const HiveKey& s : k.subkeys) put(path + "\\" + s.name, s);
  };
  put(kTree, saved);
  EXPECT_EQ(restored, dump(expected, kTree));
  EXPECT_NE(restored.find("Capitolo «uno» \"q\""), std::string::npos);
  EXPECT_FALSE(user().keyExists(kTree + "\\OLDBOOK"));
  EXPECT_FALSE(user().value(kTree + "\\Player", "Old"));
  // Other programs' settings stay.
  EXPECT_EQ(user().value("Software\\VB and VBA Program Settings\\Zivuvu\\Default", "Path")->data, "/opt/lumo");
}

TEST_F(HiveTest, AHiveThatCannotBeReadLeavesTheTreeAsItWas) {
  user().setValue(kTree + "\\Player", text("Volume", "10"));
  user().setValue(kTree + "\\LB01\\A.HTM", text("1NOME", "segno"));
  const std::string before = dump(user(), kTree);
  const fs::path good = dir_ / "good.qen";
  testing::writeHive(good, savedSettings());
  std::string bytes;
  {
    std::ifstream in(good, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    bytes = s.str();
  }
  struct Case {
    const char* what;
    std::optional<std::string> content;  // nullopt: no such file
  };
  std::string badChecksum = bytes;
  badChecksum[0x30] ^= 0x55;
  std::string badSignature = bytes;
  badSignature[0] = 'x';
  std::string badBin = bytes;
  badBin[0x1000] = 'x';
  const Case cases[] = {
      {"missing file", std::nullopt},         {"text file", std::string("REGEDIT4\r\n\r\n")},
      {"header checksum wrong", badChecksum}, {"not a hive", badSignature},
      {"hive bin damaged", badBin},           {"cut short", bytes.substr(0, 4096 + 100)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const fs::path file = dir_ / "bad.qen";
    fs::remove(file);
    if (c.content) {
      std::ofstream out(file, std::ios::binary);
      out << *c.content;
    }
    RestoreResult result = RestoreRegistryKey(kTree, file.string(), HKEY_CURRENT_USER);
    EXPECT_FALSE(result.ok);
    EXPECT_FALSE(result.error.empty());
    EXPECT_EQ(dump(user(), kTree), before);
  }
  EXPECT_FALSE(RestoreRegistryKey(kTree, dir_.string(), HKEY_CURRENT_USER).ok);
  EXPECT_EQ(dump(user(), kTree), before);
}

// A value of a type the registry does not define (65533, as a damaged or
// foreign hive holds) is read as that number with its bytes as they stand.
TEST_F(HiveTest, AValueOfATypeOutsideTheKnownOnesKeepsItsNumberAndBytes) {
  const fs::path hive = dir_ / "odd.qen";
  const auto odd = static_cast<ValueType>(65533);
  testing::writeHive(hive,
                     key("QEN MediaPlayer", {},
                         {key("Player", {text("Volume", "50"), text("Strano", std::string("\x01\x00\xFE", 3), odd)})}));
  RestoreResult result = RestoreRegistryKey(kTree, hive.string(), HKEY_CURRENT_USER);
  ASSERT_TRUE(result.ok) << result.error;
  const std::optional<Value> value = user().value(kTree + "\\Player", "Strano");
  ASSERT_TRUE(value);
  EXPECT_EQ(static_cast<uint32_t>(value->type), 65533u);
  EXPECT_EQ(value->data, std::string("\x01\x00\xFE", 3));
  EXPECT_EQ(user().value(kTree + "\\Player", "Volume")->data, "50");
}

}  // namespace
}  // namespace lumo::registry
