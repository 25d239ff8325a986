// Our EBU-TT-D and W3C files read by an independent TTML implementation, imscJS (run by
// node through tests/tools/imsc_read.js): the same times and the same text with its
// italics. Skips when node or the module is not installed (scripts/install-deps.sh
// installs both).
//
// imscJS implements media time only. The W3C file counts SMPTE labels; at 25 fps a label
// HH:MM:SS:FF and the media time HH:MM:SS + FF/25 are the same instant, so the test reads
// the W3C file with its time base set to media and checks everything else as written.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <unistd.h>

#include "core/rich_text.h"
#include "formats/timedtext/timed_text.h"

namespace kipo {
namespace {

const std::filesystem::path kTools = std::filesystem::path(KIPO_TEST_DATA) / ".." / "tools";

bool HaveImsc() {
  return std::system("node --version >/dev/null 2>&1") == 0 &&
         std::filesystem::exists(kTools / "node_modules" / "imsc" / "package.json");
}

struct Shown {
  double begin, end;
  std::string text;
};

std::vector<Shown> ReadWithImsc(const std::string& xml, std::string& errors) {
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / ("kipo-imsc-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  const std::filesystem::path file = dir / "in.xml", err = dir / "err.txt";
  std::ofstream(file, std::ios::binary) << xml;
  const std::string cmd = "node \"" + (kTools / "imsc_read.js").string() + "\" \"" + file.string() + "\" 2>\"" +
                          err.string() + "\"";
  std::vector<Shown> out;
  if (FILE* p = popen(cmd.c_str(), "r")) {
    std::string all;
    char buf[4096];
    while (std::size_t n = fread(buf, 1, sizeof buf, p)) all.append(buf, n);
    if (pclose(p) != 0) errors += "node failed\n";
    std::istringstream lines(all);
    for (std::string line; std::getline(lines, line);) {
      Shown s{};
      std::size_t t1 = line.find('\t'), t2 = line.find('\t', t1 + 1);
      s.begin = std::stod(line.substr(0, t1));
      s.end = std::stod(line.substr(t1 + 1, t2 - t1 - 1));
      s.text = line.substr(t2 + 1);
      out.push_back(s);
    }
  }
  std::ifstream e(err);
  errors += std::string(std::istreambuf_iterator<char>(e), {});
  std::filesystem::remove_all(dir);
  return out;
}

// What imscJS shows of a document text: rows joined by "|", italics in "<" ">", the
// markup of colours left out.
std::string Expected(const std::string& text) {
  std::string out;
  for (const RichRow& row : RichText::Parse(text).rows) {
    if (!out.empty()) out += "|";
    bool italic = false;
    for (const Run& r : row) {
      if (r.mark != Mark::None) continue;
      if (r.style.italic != italic) out += r.style.italic ? "<" : ">", italic = r.style.italic;
      out += r.text;
    }
    if (italic) out += ">";
  }
  return out;
}

TEST(TimedTextImsc, EbuTtdAndW3cReadTheSame) {
  if (!HaveImsc()) GTEST_SKIP() << "node or the imsc module is missing (scripts/install-deps.sh)";
  SubtitleDocument doc(25, kDefaultLanguageId, 0);
  const std::string texts[] = {"First", "Two rows\r\nof text", "Partly <italic>\r\nsecond row", "<Wholly italic>",
                               "Caf\xC3\xA9 & cr\xC3\xA8me " + EscapeLiterals("<3"), "\x01Red\x07 white", "Late"};
  const FrameRate& rate = doc.frameRate();
  FrameCount at = 25;
  for (const std::string& t : texts) {
    Subtitle s;
    s.inCue = FramesToDigits(at, rate);
    s.outCue = FramesToDigits(at + 37, rate);
    s.text = t;
    doc.Append(s);
    at += 37 + 13;
  }
  for (TimedTextDialect dialect : {TimedTextDialect::EbuTtD, TimedTextDialect::W3C}) {
    SCOPED_TRACE(dialect == TimedTextDialect::W3C ? "W3C" : "EBU-TT-D");
    std::vector<std::string> w;
    std::string xml = WriteTimedText(doc, dialect, {}, w);
    if (dialect == TimedTextDialect::W3C) xml.replace(xml.find("ttp:timeBase=\"smpte\""), 20, "ttp:timeBase=\"media\"");
    std::string errors;
    std::vector<Shown> shown = ReadWithImsc(xml, errors);
    // The W3C styles size the font in pixels, which TTML 1 allows without a root extent;
    // imscJS, built for the IMSC profile that requires one, cannot compute the size and
    // says so. Everything else must read without a complaint.
    for (std::size_t at; (at = errors.find("error: Style 'http://www.w3.org/ns/ttml#styling fontSize'")) !=
                         std::string::npos;)
      errors.erase(at, errors.find('\n', at) - at + 1);
    EXPECT_EQ(errors.find("error"), std::string::npos) << errors;
    EXPECT_EQ(errors.find("fatal"), std::string::npos) << errors;
    ASSERT_EQ(shown.size(), doc.Count()) << errors;
    for (std::size_t i = 0; i < doc.Count(); ++i) {
      SCOPED_TRACE(doc.At(i).text);
      EXPECT_NEAR(shown[i].begin, FramesToSeconds(doc.At(i).inCue.ToFrames(rate), rate), 0.0005);
      EXPECT_NEAR(shown[i].end, FramesToSeconds(doc.At(i).outCue.ToFrames(rate), rate), 0.0005);
      EXPECT_EQ(shown[i].text, Expected(doc.At(i).text));
    }
  }
}

}  // namespace
}  // namespace kipo
