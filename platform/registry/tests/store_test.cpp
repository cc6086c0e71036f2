// The store on a database file of its own: the key tree, names, order,
// types, deletion, transactions and read-only stores.

#include <gtest/gtest.h>

#include <fstream>
#include <stdexcept>

#include "common/errors/errors.h"
#include "platform/registry/registry.h"
#include "platform/registry/tests/test_env.h"

namespace lumo::registry {
namespace {

using testing::RegistryTest;
using Names = std::vector<std::string>;

class StoreTest : public RegistryTest {
 protected:
  std::string file() const { return (dir_ / "store.sqlite").string(); }
};

Value text(const std::string& name, const std::string& data) { return Value{name, ValueType::String, data}; }

std::vector<std::string> valueNames(Store& store, const std::string& key) {
  std::vector<std::string> names;
  for (const auto& v : store.values(key)) names.push_back(v.name);
  return names;
}

template <typename F>
int errorNumber(F&& f) {
  try {
    f();
  } catch (const RuntimeError& e) {
    return e.number();
  }
  return 0;
}

TEST_F(StoreTest, KeyNamesCompareWithoutCaseAndKeepTheCaseTheyWereCreatedWith) {
  Store store(file());
  store.createKey("Software\\Demo");
  store.createKey("SOFTWARE\\demo\\Sub");
  EXPECT_EQ(store.subkeys(""), Names{"Software"});
  EXPECT_EQ(store.subkeys("software"), Names{"Demo"});
  EXPECT_EQ(store.subkeys("SoftWare\\DEMO"), Names{"Sub"});
  EXPECT_TRUE(store.keyExists("software\\demo\\sub"));
  EXPECT_FALSE(store.keyExists("Software\\Demo\\Sub\\More"));
  EXPECT_TRUE(store.keyExists(""));
}

TEST_F(StoreTest, LettersOfWindows1252FoldButOtherCharactersDoNot) {
  struct Case {
    const char* created;
    const char* lookedUp;
    bool same;
  };
  const Case cases[] = {
      {"Città", "CITTÀ", true}, {"ÉÈÊËÇÑÖØÞ", "éèêëçñöøþ", true},
      {"Ÿ", "ÿ", true},         {"ŠŒŽ", "šœž", true},
      {"×", "÷", false},        {"ß", "SS", false},
      {"[x]", "{X}", false},    {"a b", "A  B", false},
  };
  Store store(file());
  for (const auto& c : cases) {
    SCOPED_TRACE(c.created);
    store.createKey(std::string("K\\") + c.created);
    store.setValue("K", text(c.created, "v"));
    EXPECT_EQ(store.keyExists(std::string("K\\") + c.lookedUp), c.same);
    EXPECT_EQ(store.value("K", c.lookedUp).has_value(), c.same);
  }
}

TEST_F(StoreTest, ValueNamesCompareWithoutCaseAndAnOverwriteKeepsTheStoredName) {
  Store store(file());
  store.setValue("App", text("Path", "old"));
  store.setValue("APP", text("PATH", "new"));
  auto values = store.values("app");
  ASSERT_EQ(values.size(), 1u);
  EXPECT_EQ(values[0].name, "Path");
  EXPECT_EQ(values[0].data, "new");
  ASSERT_TRUE(store.value("App", "path"));
  EXPECT_EQ(store.value("App", "path")->name, "Path");
}

TEST_F(StoreTest, SubkeysEnumerateByUpperCaseNameAndValuesByCreation) {
  Store store(file());
  for (const char* name : {"b", "Ä", "_x", "C", "a"}) store.createKey(std::string("K\\") + name);
  // Compared in upper case, "_" comes after the letters; "Ä" after ASCII.
  EXPECT_EQ(store.subkeys("K"), (Names{"a", "b", "C", "_x", "Ä"}));

  for (const char* name : {"z", "a", "M"}) store.setValue("K", text(name, "1"));
  store.setValue("K", text("A", "2"));
  EXPECT_EQ(valueNames(store, "K"), (Names{"z", "a", "M"}));
  store.deleteValue("K", "a");
  store.setValue("K", text("a", "3"));
  EXPECT_EQ(valueNames(store, "K"), (Names{"z", "M", "a"}));
}

TEST_F(StoreTest, EveryTypeComesBackAsStoredAndAnOverwriteMayChangeTheType) {
  const std::string bytes("\x00\xff\x01\x80", 4);
  const Value stored[] = {
      {"s", ValueType::String, "testo è"},      {"e", ValueType::ExpandString, "%HOME%/x"},
      {"b", ValueType::Binary, bytes},          {"empty", ValueType::Binary, ""},
      {"d", ValueType::Dword, "", 0xFFFFFFFFu}, {"m", ValueType::MultiString, std::string("uno\0due\0", 8)},
      {"", ValueType::String, "default"},
  };
  Store store(file());
  for (const auto& v : stored) store.setValue("T", v);
  auto values = store.values("T");
  ASSERT_EQ(values.size(), std::size(stored));
  for (size_t i = 0; i < values.size(); ++i) {
    SCOPED_TRACE(stored[i].name);
    EXPECT_EQ(values[i].name, stored[i].name);
    EXPECT_EQ(values[i].type, stored[i].type);
    EXPECT_EQ(values[i].data, stored[i].data);
    EXPECT_EQ(values[i].dword, stored[i].dword);
  }

  store.setValue("T", Value{"s", ValueType::Dword, "", 7});
  auto s = store.value("T", "s");
  ASSERT_TRUE(s);
  EXPECT_EQ(s->type, ValueType::Dword);
  EXPECT_EQ(s->dword, 7u);
  EXPECT_EQ(valueNames(store, "T").front(), "s");
}

TEST_F(StoreTest, DeleteKeyTakesTheWholeSubtreeAndNothingElse) {
  Store store(file());
  store.setValue("A\\B\\C", text("deep", "1"));
  store.setValue("A\\B", text("mid", "1"));
  store.setValue("A\\B2", text("sibling", "1"));
  store.setValue("A", text("top", "1"));

  EXPECT_TRUE(store.deleteKey("a\\b"));
  EXPECT_FALSE(store.keyExists("A\\B"));
  EXPECT_FALSE(store.keyExists("A\\B\\C"));
  EXPECT_EQ(store.subkeys("A"), Names{"B2"});
  EXPECT_TRUE(store.value("A\\B2", "sibling"));
  EXPECT_TRUE(store.value("A", "top"));
  // A key made again under the old name starts empty.
  store.createKey("A\\B\\C");
  EXPECT_TRUE(store.values("A\\B\\C").empty());
  EXPECT_TRUE(store.values("A\\B").empty());

  EXPECT_FALSE(store.deleteKey("A\\Missing"));
  EXPECT_FALSE(store.deleteValue("A", "missing"));
  EXPECT_FALSE(store.deleteValue("Missing", "top"));
  EXPECT_EQ(errorNumber([&] { store.deleteKey(""); }), err::InvalidCall);
  EXPECT_TRUE(store.keyExists("A"));
}

TEST_F(StoreTest, AKeyPathWithAnEmptyNameIsRefusedForChangesAndMissingForReads) {
  Store store(file());
  store.setValue("A\\B", text("v", "1"));
  for (const char* path : {"A\\\\B", "\\A", "A\\", "\\"}) {
    SCOPED_TRACE(path);
    EXPECT_EQ(errorNumber([&] { store.setValue(path, text("v", "2")); }), err::InvalidCall);
    EXPECT_EQ(errorNumber([&] { store.createKey(path); }), err::InvalidCall);
    EXPECT_FALSE(store.keyExists(path));
    EXPECT_FALSE(store.value(path, "v"));
    EXPECT_FALSE(store.deleteKey(path));
  }
  EXPECT_EQ(store.value("A\\B", "v")->data, "1");
  EXPECT_EQ(store.subkeys(""), Names{"A"});
}

TEST_F(StoreTest, AFailingTransactionLeavesNothingBehind) {
  Store store(file());
  store.setValue("K", text("kept", "before"));
  EXPECT_THROW(store.transaction([&] {
    store.setValue("K", text("kept", "changed"));
    store.setValue("K\\New", text("n", "1"));
    store.deleteValue("K", "kept");
    throw std::runtime_error("stop");
  }),
               std::runtime_error);
  EXPECT_EQ(store.value("K", "kept")->data, "before");
  EXPECT_FALSE(store.keyExists("K\\New"));

  // The store is usable again afterwards.
  store.setValue("K", text("after", "1"));
  EXPECT_TRUE(store.value("K", "after"));
}

TEST_F(StoreTest, NestedTransactionsJoinTheOuterOneAndAFailingInnerOneUndoesOnlyItself) {
  Store store(file());
  Store other(file());
  store.transaction([&] {
    store.setValue("K", text("outer", "1"));
    EXPECT_THROW(store.transaction([&] {
      store.setValue("K", text("inner", "1"));
      throw RuntimeError(err::InvalidCall);
    }),
                 RuntimeError);
    store.transaction([&] { store.setValue("K", text("inner2", "1")); });
    // Nothing is visible to another connection before the outer one ends.
    EXPECT_FALSE(other.keyExists("K"));
  });
  EXPECT_EQ(valueNames(other, "K"), (Names{"outer", "inner2"}));
}

TEST_F(StoreTest, AReadOnlyStoreReadsAMissingFileAsEmptyAndRefusesChanges) {
  Store readOnly(file(), true);
  EXPECT_FALSE(readOnly.keyExists("Software"));
  EXPECT_TRUE(readOnly.subkeys("").empty());
  EXPECT_TRUE(readOnly.values("Software").empty());
  EXPECT_FALSE(readOnly.value("Software", "x"));
  EXPECT_FALSE(std::filesystem::exists(file()));

  {
    Store writer(file());
    writer.setValue("Software\\Lumo", text("x", "1"));
  }
  // The database made since then is read now.
  EXPECT_EQ(readOnly.value("software\\lumo", "X")->data, "1");
  const std::function<void()> changes[] = {
      [&] { readOnly.setValue("Software\\Lumo", text("x", "2")); },
      [&] { readOnly.createKey("Other"); },
      [&] { readOnly.deleteKey("Software"); },
      [&] { readOnly.deleteValue("Software\\Lumo", "x"); },
  };
  for (const auto& change : changes) EXPECT_EQ(errorNumber(change), err::PermissionDenied);
  EXPECT_EQ(readOnly.value("Software\\Lumo", "x")->data, "1");
  EXPECT_EQ(readOnly.subkeys(""), Names{"Software"});
}

TEST_F(StoreTest, ADatabaseThatCannotBeOpenedRaisesError75NamingTheFile) {
  std::filesystem::create_directories(dir_ / "folder.sqlite");
  const std::string bad = (dir_ / "folder.sqlite").string();
  try {
    Store store(bad);
    FAIL() << "a folder opened as a database";
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.number(), err::PathFileAccess);
    EXPECT_NE(e.description().find(bad), std::string::npos) << e.description();
  }
  // A file that is no database at all, read-only.
  const auto junk = dir_ / "junk.sqlite";
  std::ofstream(junk) << std::string(4096, 'x');
  Store readOnly(junk.string(), true);
  EXPECT_EQ(errorNumber([&] { readOnly.keyExists("A"); }), err::PathFileAccess);
}

}  // namespace
}  // namespace lumo::registry
