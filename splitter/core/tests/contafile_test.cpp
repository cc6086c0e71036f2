// The file counter: counting by prefix and extension, the listing into a
// table, and the message of a failed walk.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/ui/ui.h"
#include "splitter/core/contafile.h"
#include "testsupport/common/test_files.h"

namespace lumo::splitter {
namespace {

namespace fs = std::filesystem;

class ContafileTest : public ::testing::Test {
 protected:
  void SetUp() override { previous_ = ui::setBackend(ui_); }
  void TearDown() override { ui::setBackend(previous_); }

  void files(const std::vector<std::string>& names) {
    for (const auto& name : names) testsupport::writeBytes(folder_ / name, "x");
  }
  std::vector<std::string> messages() const {
    std::vector<std::string> texts;
    for (const auto& m : ui_->shown()) {
      EXPECT_EQ(m.style, ui::mb::OKOnly) << m.text;
      texts.push_back(m.text);
    }
    return texts;
  }

  testsupport::TempFolder folder_{"lumo-contafile"};
  std::shared_ptr<ui::ScriptedBackend> ui_ = std::make_shared<ui::ScriptedBackend>();
  std::shared_ptr<ui::Backend> previous_;
};

TEST_F(ContafileTest, ContrinperCountsByPrefixAndExtensionWithoutRegardToCase) {
  files({"Capitolo_001.mp3", "capitolo_002.MP3", "Capitolo.txt", "Altro_001.mp3"});
  int yields = 0;
  contafile counter([&] { ++yields; });
  const std::string path = folder_.path().string();
  EXPECT_EQ(counter.Contrinper(path, "Capitolo", "mp3"), 2);
  EXPECT_EQ(yields, 1);

  files({"Capitale.mp3", "Capitolo_003mp3"});
  fs::create_directory(folder_.path() / "Capitolo_dir.mp3");  // a folder is no file
  fs::create_directory(folder_.path() / "sub");
  testsupport::writeBytes(folder_.path() / "sub" / "Capitolo_009.mp3", "x");  // not entered
  EXPECT_EQ(counter.Contrinper(path, "Cap", "mp3"), 4);
  EXPECT_EQ(counter.Contrinper(path, "CAPITOLO", ".mp3"), 2);
  EXPECT_EQ(counter.Contrinper(path, "", "mp3"), 5);
  EXPECT_EQ(counter.Contrinper(path, "", ""), 6);
  EXPECT_EQ(counter.Contrinper(path, "Capitolo", "MP3"), 0);  // the extension is matched in lower case
  EXPECT_TRUE(messages().empty());
}

TEST_F(ContafileTest, AMissingFolderShowsTheMessageOnceAndGivesZero) {
  contafile counter;
  EXPECT_EQ(counter.Contrinper((folder_.path() / "missing").string(), "Capitolo", "mp3"), 0);
  EXPECT_EQ(messages(),
            std::vector<std::string>{"Errore nel modulo del conteggio archivio.Impossibile trovare il percorso"});
  ListTable lv6({"id", "nome file", "titolo", "pagina"});
  lv6.addRow("kept");
  ui_->clear();
  EXPECT_EQ(counter.ContarArchivos((folder_.path() / "missing").string(), "mp3", lv6), 0);
  EXPECT_EQ(messages(),
            std::vector<std::string>{"Errore nel modulo del conteggio archivio.Impossibile trovare il percorso"});
}

TEST_F(ContafileTest, ContarArchivosListsTheFilesInNameOrder) {
  files({"b_002.mp3", "A_001.MP3", "c_003.mp3", "note.txt", "è_004.mp3"});
  ListTable lv6({"id", "nome file", "titolo", "pagina"});
  lv6.addRow("old row");
  int rowsAtYield = -1;
  contafile counter([&] { rowsAtYield = lv6.rowCount(); });
  EXPECT_EQ(counter.ContarArchivos(folder_.path().string(), "mp3", lv6), 4);
  EXPECT_EQ(rowsAtYield, 0);  // cleared, then the yield
  ASSERT_EQ(lv6.rowCount(), 4);
  const std::vector<std::pair<std::string, std::string>> expected = {
      {"1", "A_001"}, {"2", "b_002"}, {"3", "c_003"}, {"4", "è_004"}};
  for (int r = 1; r <= 4; ++r) {
    EXPECT_EQ(lv6.cell(r, 0), expected[r - 1].first);
    EXPECT_EQ(lv6.cell(r, 1), expected[r - 1].second);
  }
  EXPECT_TRUE(messages().empty());
}

TEST_F(ContafileTest, ANameShorterThanFourCharactersEndsTheListing) {
  files({"a_001.mp3", "mp3", "z_002.mp3"});
  ListTable lv6({"id", "nome file", "titolo", "pagina"});
  contafile counter;
  EXPECT_EQ(counter.ContarArchivos(folder_.path().string(), "mp3", lv6), 0);
  EXPECT_EQ(messages(), std::vector<std::string>{
                            "Errore nel modulo del conteggio archivio.Chiamata di routine o argomento non validi"});
  ASSERT_EQ(lv6.rowCount(), 2);  // a_001, then the short name's row without its name
  EXPECT_EQ(lv6.cell(2, 0), "2");
  EXPECT_EQ(lv6.cell(2, 1), "");
}

TEST_F(ContafileTest, TheCancelFlagIsKept) {
  contafile counter;
  EXPECT_FALSE(counter.Cancel());
  counter.Cancel(true);
  EXPECT_TRUE(counter.Cancel());
}

}  // namespace
}  // namespace lumo::splitter
