// The pieces of the cut by length and the lengths the parts tell, on real
// recordings cut by the real mp3splt; the job's report when mp3splt refuses
// a file's markers.

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "common/mp3/mp3.h"
#include "splitter/core/frame_cut.h"
#include "splitter/core/tests/job_fixture.h"
#include "splitter/core/tests/lame_fields.h"
#include "testsupport/common/test_files.h"

namespace lumo::splitter::testing {
namespace {

TEST(PieceStartsTest, TheFirstPieceBeginsAtFrameZeroAndTakesWhatTheEngineLeftOut) {
  struct Case {
    const char* what;
    size_t part;
    std::vector<size_t> pieces;
    size_t minFrames;
    std::vector<size_t> starts;
  };
  const Case cases[] = {
      {"engine left out 2 frames of a mid-file part", 2412, {1641, 769}, 0, {0, 1643}},
      {"engine left out nothing", 2412, {1643, 769}, 0, {0, 1643}},
      {"three pieces, 10 frames left out", 4634, {2626, 1968, 30}, 0, {0, 2636, 4604}},
      {"a part shorter than the length is one piece", 900, {890}, 0, {0}},
      {"empty engine pieces are passed over", 2412, {0, 1641, 0, 769}, 0, {0, 1643}},
      {"a tail shorter than the pause joins the piece before it", 4634, {2626, 1968, 30}, 39, {0, 2636}},
      {"a short piece inside joins the piece after it", 3000, {1000, 20, 1980}, 39, {0, 1000}},
      {"a short last piece but one", 5000, {1000, 20, 1980, 2000}, 39, {0, 1000, 3000}},
      {"a part shorter than the pause is still one piece", 20, {18}, 39, {0}},
      {"no frames", 0, {}, 0, {}},
      {"later pieces with more frames than the part join the first", 100, {10, 60, 30, 20}, 0, {0, 50, 80}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(pieceStarts(c.part, c.pieces, c.minFrames), c.starts);
  }
}

// A part of lame's with its encoder delay and end padding, cut into three
// pieces: the first piece keeps the delay, the last the padding, and each
// piece's LAME fields still pass their check sum, so that gapless players
// trim the recording's start and end and nothing inside it.
TEST(WritePieceTest, OnlyTheFirstPieceKeepsTheDelayAndOnlyTheLastThePadding) {
  const std::string missing = missingTools();
  ASSERT_TRUE(missing.empty()) << missing;
  testsupport::TempFolder folder("lumo-pieces");
  const fs::path src = folder.path() / "part.mp3";
  ASSERT_TRUE(encodeTone(src, 30));
  const FrameMap part = mapFrames(src.string());
  ASSERT_TRUE(part.hasHeader);
  const std::optional<LameFields> whole = lameFieldsOf(part.bytes);
  ASSERT_TRUE(whole);
  ASSERT_GT(whole->delay, 0);
  ASSERT_GT(whole->padding, 0);
  const size_t n = part.audioFrames();
  const std::vector<size_t> starts = {0, n / 3, 2 * n / 3};
  struct Expected {
    int delay, padding;
  };
  const Expected expected[] = {{whole->delay, 0}, {0, 0}, {0, whole->padding}};
  for (size_t k = 0; k < starts.size(); ++k) {
    SCOPED_TRACE(k);
    const fs::path piece = folder.path() / ("piece" + std::to_string(k) + ".mp3");
    ASSERT_EQ(writePiece(part, starts, k, piece.string()), "");
    const std::string bytes = readBytes(piece);
    const std::optional<LameFields> lame = lameFieldsOf(bytes);
    ASSERT_TRUE(lame);
    EXPECT_EQ(lame->delay, expected[k].delay);
    EXPECT_EQ(lame->padding, expected[k].padding);
    EXPECT_EQ(lame->musicLength, bytes.size());
    EXPECT_TRUE(lame->checksumHolds);
  }
}

// The frames of a file as seconds, and whether it begins with a VBR header.
struct Measured {
  size_t frames = 0;
  double seconds = 0;
  bool header = false;
};

Measured measure(const fs::path& file) {
  const FrameMap map = mapFrames(file.string());
  return {map.audioFrames(), map.seconds(), map.hasHeader};
}

// A recording like speech: a tone or a sweep with pauses at 50-54 and
// 104-108 s, encoded by lame with `lame` at `rate` Hz and `channels`.
bool encodeSpeech(const fs::path& mp3, const std::string& synth, const std::string& lame, int rate, int channels) {
  const fs::path wav = mp3.string() + ".wav";
  const std::string sox = "sox -n -r " + std::to_string(rate) + " -c " + std::to_string(channels) + " " +
                          quote(wav.string()) + " synth 150 " + synth + " vol 0.5 pad 4@50 4@100";
  const bool ok =
      std::system(sox.c_str()) == 0 &&
      std::system(("lame --quiet " + lame + " " + quote(wav.string()) + " " + quote(mp3.string())).c_str()) == 0;
  std::error_code ec;
  fs::remove(wav, ec);
  return ok;
}

struct Encoding {
  const char* name;
  const char* synth;
  const char* lame;
  int rate;
  int channels;
};

// What libraries hold: MPEG-2 22.05 kHz CBR without a header frame (lame
// writes none at 32 kbit/s), VBR with and without a VBR header, and MPEG-1
// stereo, VBR without a header and CBR with lame's Info frame.
const Encoding kEncodings[] = {
    {"MPEG-2 CBR 32 kbit/s", "sine 440", "-b 32", 22050, 1},
    {"MPEG-2 VBR without header", "sine 200-3000", "-t -V 5", 22050, 1},
    {"MPEG-2 VBR with header", "sine 200-3000", "-V 5", 22050, 1},
    {"MPEG-1 VBR stereo without header", "sine 200-3000", "-t -V 5", 44100, 2},
    {"MPEG-1 CBR 128 kbit/s stereo", "sine 200-3000", "-b 128", 44100, 2},
};

class FrameCutJobTest : public JobTest {
 protected:
  // A book of one file cut at 0 and 37 s (its second part starts mid-file).
  void makeMidFileBook(const Encoding& e) {
    fs::remove_all(dir_ / "export");
    fs::create_directories(dir_ / "export");
    ui_->clear();
    opened_.clear();
    const fs::path mp3 = dir_ / "book" / "Libro" / "CAP1.mp3";
    ASSERT_TRUE(encodeSpeech(mp3, e.synth, e.lame, e.rate, e.channels)) << e.name;
    TestBook book;
    book.files = {{"CAP1", {{"Capitolo primo", 0, "1"}, {"Capitolo secondo", 37, "2"}}}};
    writeIndex(book, dir_ / "book" / "marker.txt");
  }
};

// The second part (121 s, pauses at 13-17 and 67-71 s) cut at 1 minute:
// mp3splt leaves out its first frames and a tail of under a second after
// the last pause; the pieces still cover the part frame for frame, begin
// with its first frame, and none is shorter than the pause looked for.
TEST_F(FrameCutJobTest, AMidFilePartCutByLengthGivesNoStubAndAddsUpToThePart) {
  for (const Encoding& e : {kEncodings[0], kEncodings[1]}) {
    SCOPED_TRACE(e.name);
    makeMidFileBook(e);
    job_.fields.cutByLength = true;
    job_.fields.partMinutes = "1";
    job_.fields.minSilence = "1";
    job_.StartOrStop();
    ASSERT_EQ(job_.result(), "0") << ::testing::PrintToString(messages());
    const fs::path part = indexDir() / "002_p2_Capitolo secondo.mp3";
    const FrameMap whole = mapFrames(part.string());
    ASSERT_GT(whole.audioFrames(), 0u);
    const fs::path pieces = bookDir() / "File da 1 minuti";
    std::vector<fs::path> own;
    for (const std::string& name : mp3Names(pieces))
      if (name.ends_with("_002_p2_Capitolo secondo.mp3")) own.push_back(pieces / name);
    ASSERT_EQ(own.size(), 2u) << ::testing::PrintToString(mp3Names(pieces));
    size_t frames = 0;
    double heard = 0;
    for (const fs::path& piece : own) {
      const Measured m = measure(piece);
      EXPECT_GE(m.seconds, 1.0) << piece;
      frames += m.frames;
      heard += readWithMutagen(piece.string()).length;
    }
    EXPECT_EQ(frames, whole.audioFrames());
    EXPECT_NEAR(heard, whole.seconds(), 0.1);
    // The cut lies in the pause nearest the length, the first piece begins
    // with the part's own first frame.
    const FrameMap first = mapFrames(own[0].string());
    EXPECT_GT(first.seconds(), 67);
    EXPECT_LT(first.seconds(), 71);
    ASSERT_GT(first.audioFrames(), 0u);
    EXPECT_EQ(first.bytes.compare(first.offsets[0], first.lengths[0], whole.bytes, whole.offsets[0], whole.lengths[0]),
              0);
  }
}

// Every part tells its true length (its frames times their samples over
// the rate) to a reader that trusts the VBR header, or the bitrate where
// there is none; parts of one bitrate are mp3splt's own bytes.
TEST_F(FrameCutJobTest, EveryPartCutAtTheHeadingsTellsItsTrueLength) {
  job_.fields.tags = false;
  for (const Encoding& e : kEncodings) {
    SCOPED_TRACE(e.name);
    makeMidFileBook(e);
    job_.StartOrStop();
    ASSERT_EQ(job_.result(), "0") << ::testing::PrintToString(messages());
    const std::vector<std::string> parts = {"001_p1_Capitolo primo.mp3", "002_p2_Capitolo secondo.mp3"};
    ASSERT_EQ(mp3Names(indexDir()), parts);
    // mp3splt's own cut of the same file.
    const fs::path engine = dir_ / "engine";
    fs::remove_all(engine);
    ASSERT_EQ(std::system(("mp3splt -q -f -d " + quote(engine.string()) + " " +
                           quote((dir_ / "book" / "Libro" / "CAP1.mp3").string()) +
                           " 0.00 0.37 EOF -n -o CAP1_@n >/dev/null 2>&1")
                              .c_str()),
              0);
    double total = 0;
    for (size_t p = 0; p < parts.size(); ++p) {
      const fs::path part = indexDir() / parts[p];
      const FrameMap map = mapFrames(part.string());
      EXPECT_NEAR(readWithMutagen(part.string()).length, map.seconds(), 0.1) << parts[p];
      // The suite's own analysis reads it too (whole seconds).
      mp3::Mp3Info info;
      ASSERT_EQ(mp3::GetMp3Info(part.string(), info), 1);
      EXPECT_NEAR(info.Duration, map.seconds(), 1.0) << parts[p];
      total += map.seconds();
      const std::string own = readBytes(engine / ("CAP1_" + std::to_string(p + 1) + ".mp3"));
      if (!map.varyingBitrate || mapFrames((engine / ("CAP1_" + std::to_string(p + 1) + ".mp3")).string()).hasHeader)
        EXPECT_TRUE(readBytes(part) == own) << parts[p] << " is not as mp3splt wrote it";
      else
        EXPECT_TRUE(map.hasHeader) << parts[p];
    }
    EXPECT_NEAR(total, mapFrames((dir_ / "book" / "Libro" / "CAP1.mp3").string()).seconds(), 0.1);
  }
}

// A continuation joined onto a part of a VBR recording without a header:
// the joined part tells the length of both.
TEST_F(FrameCutJobTest, AJoinedPartOfAVbrRecordingWithoutHeaderTellsBothLengths) {
  job_.fields.tags = false;
  const fs::path mp3 = dir_ / "book" / "Libro" / "CAP1.mp3";
  ASSERT_TRUE(encodeSpeech(mp3, kEncodings[1].synth, kEncodings[1].lame, 22050, 1));
  fs::copy_file(mp3, dir_ / "book" / "Libro" / "CAP2.mp3");
  TestBook book;
  book.files = {{"CAP1", {{"Capitolo primo", 0, "1"}, {"Capitolo secondo", 37, "2"}}},
                {"CAP2", {{"segue capitolo secondo", 0, "3"}, {"Capitolo terzo", 60, "4"}}}};
  writeIndex(book, dir_ / "book" / "marker.txt");
  job_.StartOrStop();
  ASSERT_EQ(job_.result(), "0") << ::testing::PrintToString(messages());
  EXPECT_EQ(job_.lv.cell(2, 6), "SI");
  const fs::path joined = indexDir() / "002_p2_Capitolo secondo.mp3";
  const FrameMap map = mapFrames(joined.string());
  const double recording = mapFrames(mp3.string()).seconds();
  EXPECT_NEAR(map.seconds(), recording - 37 + 60, 0.1);
  EXPECT_NEAR(readWithMutagen(joined.string()).length, map.seconds(), 0.1);
}

// mp3splt refuses markers out of order: the message and the log say which
// heading is wrong and when it starts, then mp3splt's own words.
TEST_F(FrameCutJobTest, AFileWhoseMarkersAreOutOfOrderIsReportedByItsHeading) {
  struct Case {
    int third;
    const char* cause;
    const char* words;
  };
  const Case cases[] = {
      {12, "La parte 3 («Il grillo parlante») inizia a 0:12, prima della parte che la precede (0:30).",
       "mp3splt: error: the splitpoints are not in order (0m30s0h, 0m12s0h)"},
      {30, "La parte 3 («Il grillo parlante») inizia a 0:30, insieme alla parte che la precede.",
       "mp3splt: error: splitpoints are equal (0m30s0h)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.third);
    fs::remove_all(dir_ / "export");
    fs::create_directories(dir_ / "export");
    ui_->clear();
    TestBook book;
    book.files = {{"CAP1",
                   {{"Capitolo primo", 0, "1"},
                    {"Capitolo secondo", 30, "2"},
                    {"Il grillo parlante", static_cast<int>(c.third), "3"}}}};
    makeBook(book, {"t40"});
    job_.StartOrStop();
    EXPECT_EQ(job_.result(), "1");
    const std::string file = job_.fields.mp3Folder + "CAP1.mp3";
    ASSERT_EQ(messages().size(), 1u);
    EXPECT_EQ(messages()[0], "Il taglio del file " + file + " non è riuscito.\n" + c.cause + "\n" + c.words);
    EXPECT_EQ(logEntry("Errore nel taglio del file "),
              "Errore nel taglio del file " + file + ": " + c.cause + " " + c.words);
    EXPECT_TRUE(mp3Names(indexDir()).empty());
  }
  // Another refusal of mp3splt, with the markers in order.
  fs::remove_all(dir_ / "export");
  fs::create_directories(dir_ / "export");
  ui_->clear();
  TestBook book;
  book.files = {{"CAP1", {{"Capitolo primo", 0, "1"}, {"Capitolo secondo", 30, "2"}}}};
  makeBook(book, {"t40"});
  job_.runEngine = [](const std::string&, const std::vector<std::string>&, const std::function<void()>&) {
    EngineResult r;
    r.started = true;
    r.exitCode = 1;
    r.errors = " error: cannot open input file\n";
    return r;
  };
  job_.StartOrStop();
  EXPECT_EQ(messages(), std::vector<std::string>{"Il taglio del file " + job_.fields.mp3Folder +
                                                 "CAP1.mp3 non è riuscito.\nmp3splt ha segnalato un errore.\n"
                                                 "mp3splt: error: cannot open input file"});
}

}  // namespace
}  // namespace lumo::splitter::testing
