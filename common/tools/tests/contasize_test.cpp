#include "common/tools/contasize.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "testsupport/common/test_files.h"

namespace fs = std::filesystem;

TEST(contasize, MeasuresFilesAndKeepsTheLastSizeOnFailure) {
  const lumo::testsupport::TempFolder temp("lumo-contasize");
  const fs::path& dir = temp.path();
  fs::create_directories(dir / "Sub");
  std::ofstream(dir / "Empty.mp3");
  std::ofstream(dir / "Data.MP3") << std::string(1048576, 'x');
  // A sparse file past 32 bits: its size text is exact.
  std::ofstream(dir / "big.mp3").close();
  fs::resize_file(dir / "big.mp3", 3000000000ULL);

  lumo::tools::contasize counter;
  EXPECT_EQ(counter.Dimensione(), "");
  EXPECT_EQ(counter.ContarArchivos((dir / "Empty.mp3").string()), 1);
  EXPECT_EQ(counter.Dimensione(), "0");
  EXPECT_EQ(counter.ContarArchivos((dir / "data.mp3").string()), 1) << "names match without regard to case";
  EXPECT_EQ(counter.Dimensione(), "1048576");
  for (const std::string& bad : {(dir / "missing.mp3").string(), (dir / "Sub").string(), std::string()}) {
    EXPECT_EQ(counter.ContarArchivos(bad), 0) << bad;
    EXPECT_EQ(counter.Dimensione(), "1048576");
  }
  EXPECT_EQ(counter.ContarArchivos((dir / "big.mp3").string()), 1);
  EXPECT_EQ(counter.Dimensione(), "3000000000");

  EXPECT_FALSE(counter.Cancel());
  counter.Cancel(true);
  EXPECT_TRUE(counter.Cancel());
  EXPECT_EQ(counter.Dimensione(), "3000000000");
}
