// GetMp3Info on real MP3 files, encoded at test time by lame from tones that
// sox generates, so the measured duration can be held against the length of
// the tone.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "common/mp3/mp3.h"
#include "testsupport/common/mp3_frames.h"
#include "testsupport/common/test_files.h"

namespace lumo::mp3 {
namespace {

namespace fs = std::filesystem;

using lumo::testsupport::haveTool;

struct LameCase {
  const char* name;
  int sampleRate;  // of the tone
  int channels;
  int seconds;
  const char* lameOptions;
  // What the file must read as.
  int version;
  int outputRate;
  std::optional<bool> isCbr;
  std::optional<int> bitrate;
  bool hasTag;
};

void PrintTo(const LameCase& c, std::ostream* os) { *os << c.name; }

class LameFilesTest : public ::testing::TestWithParam<LameCase> {
 protected:
  void SetUp() override {
    // Missing tools fail the test: scripts/install-deps.sh installs them.
    if (!haveTool("sox") || !haveTool("lame")) FAIL() << "sox or lame is not installed";
  }

  // A sweeping tone of the case's length (a sweep keeps a VBR encoder varying
  // its bitrate), encoded with the case's options.
  std::string encode(const LameCase& c, const std::string& stem = "tone") {
    const fs::path wav = dir_ / (stem + ".wav");
    const fs::path mp3 = dir_ / (stem + ".mp3");
    const std::string sox = "sox -n -r " + std::to_string(c.sampleRate) + " -c " + std::to_string(c.channels) + " '" +
                            wav.string() + "' synth " + std::to_string(c.seconds) + " sine 200-3000 vol 0.5";
    const std::string lame =
        std::string("lame --quiet ") + c.lameOptions + " '" + wav.string() + "' '" + mp3.string() + "'";
    if (std::system(sox.c_str()) != 0 || std::system(lame.c_str()) != 0) return {};
    return mp3.string();
  }

  lumo::testsupport::TempFolder temp_{"lumo-mp3-lame"};
  fs::path dir_ = temp_.path();
};

TEST_P(LameFilesTest, DurationIsWithinASecondOfTheTone) {
  const LameCase& c = GetParam();
  const std::string path = encode(c);
  ASSERT_FALSE(path.empty()) << "encoding failed";
  Mp3Info info;
  ASSERT_EQ(GetMp3Info(path, info), 1);
  EXPECT_NEAR(info.Duration, c.seconds, 1);
  EXPECT_EQ(info.Version, c.version);
  EXPECT_EQ(info.Layer, 3);
  EXPECT_EQ(info.SampleRate, c.outputRate);
  EXPECT_EQ(info.ChannelModeIndex == 3, c.channels == 1);
  EXPECT_EQ(info.FileSize, static_cast<int32_t>(fs::file_size(path)));
  if (c.isCbr) {
    EXPECT_EQ(info.IsCbr, *c.isCbr);
  }
  if (c.bitrate) {
    EXPECT_EQ(info.Bitrate, *c.bitrate);
  }
  EXPECT_GT(info.Frames, 0);
  EXPECT_EQ(info.HasTag, c.hasTag);
  if (c.hasTag) {
    EXPECT_EQ(info.Title, "Titolo");
  }
}

const LameCase kLameCases[] = {
    {"Mpeg1Cbr128", 44100, 2, 31, "--cbr -b 128", 1, 44100, true, 128, false},
    {"Mpeg1VbrXing", 44100, 2, 31, "-V 4", 1, 44100, false, std::nullopt, false},
    {"Mpeg1VbrWithoutXing", 44100, 2, 95, "-V 4 -t", 1, 44100, false, std::nullopt, false},
    {"Mpeg1VbrCrc", 44100, 2, 7, "-p -V 4", 1, 44100, false, std::nullopt, false},
    {"Mpeg2Mono", 22050, 1, 7, "--cbr -b 32 -m m --resample 22.05", 2, 22050, true, 32, false},
    // MPEG-2.5 reads as version 2, with its own sample rates.
    {"Mpeg25Mono8k", 8000, 1, 31, "--cbr -b 16 -m m --resample 8", 2, 8000, true, 16, false},
    {"Mpeg25VbrWithoutXing", 8000, 1, 7, "-V 6 -t -m m --resample 8", 2, 8000, std::nullopt, std::nullopt, false},
    // A padded ID3v2 tag pushes the audio past the first search block.
    {"Id3v2Only", 44100, 2, 7, "--cbr -b 128 --id3v2-only --pad-id3v2-size 6000 --tt Titolo", 1, 44100, true, 128,
     false},
    {"Id3v1AndV2", 44100, 2, 7, "--cbr -b 128 --add-id3v2 --tt Titolo", 1, 44100, true, 128, true},
    {"Id3v1Only", 44100, 2, 7, "--cbr -b 128 --id3v1-only --tt Titolo", 1, 44100, true, 128, true},
};

INSTANTIATE_TEST_SUITE_P(Lame, LameFilesTest, ::testing::ValuesIn(kLameCases),
                         [](const ::testing::TestParamInfo<LameCase>& c) { return c.param.name; });

// Files joined byte for byte (as "copy /b" and the splitter's join do): each
// part's Info header counts only that part, so the whole is walked.
class LameJoinTest : public LameFilesTest {};

TEST_F(LameJoinTest, JoinedInfoTaggedFilesMeasureAsTheirSum) {
  for (const char* options : {"--cbr -b 64", "--cbr -b 64 --add-id3v2 --tt Titolo"}) {
    SCOPED_TRACE(options);
    const std::string first = encode({"a", 44100, 1, 5, options}, "first");
    const std::string second = encode({"b", 44100, 1, 95, options}, "second");
    ASSERT_FALSE(first.empty() || second.empty()) << "encoding failed";
    Mp3Info part;
    ASSERT_EQ(GetMp3Info(first, part), 1);
    ASSERT_NEAR(part.Duration, 5, 1);  // the part alone is measured from its header
    const fs::path joined = dir_ / "joined.mp3";
    const std::string cat = "cat '" + first + "' '" + second + "' > '" + joined.string() + "'";
    ASSERT_EQ(std::system(cat.c_str()), 0);
    Mp3Info info;
    ASSERT_EQ(GetMp3Info(joined.string(), info), 1);
    EXPECT_NEAR(info.Duration, 100, 1);
  }
}

}  // namespace
}  // namespace lumo::mp3
