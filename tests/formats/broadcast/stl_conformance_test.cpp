// Reads the EBU STL conformance files of another project (when the shared samples are
// present) and checks the decoded header fields, block fields and subtitle texts against
// the expected strings of their Schematron files. Those files describe an XML view of the
// blocks in which every control code and every space is an element of its own; the view is
// rebuilt here from the blocks so that its expectations can be evaluated directly.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>

#include "core/rich_text.h"
#include "formats/broadcast/ebu_stl.h"
#include "formats/broadcast/stl_layout.h"
#include "formats/broadcast/stl_text.h"
#include "platform/text_util.h"
#include "support/recording_prompter.h"

namespace kipo {
namespace {

namespace fs = std::filesystem;

std::string Slurp(const fs::path& p) {
  std::ifstream f(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), {});
}

std::string Base64(std::string_view s) {
  static const char* t = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  for (std::size_t i = 0; i < s.size(); i += 3) {
    unsigned v = static_cast<unsigned char>(s[i]) << 16;
    if (i + 1 < s.size()) v |= static_cast<unsigned char>(s[i + 1]) << 8;
    if (i + 2 < s.size()) v |= static_cast<unsigned char>(s[i + 2]);
    out += t[(v >> 18) & 63];
    out += t[(v >> 12) & 63];
    out += i + 1 < s.size() ? t[(v >> 6) & 63] : '=';
    out += i + 2 < s.size() ? t[v & 63] : '=';
  }
  return out;
}

std::string Unescape(std::string s) {
  for (auto [from, to] : {std::pair{"&quot;", "\""}, {"&lt;", "<"}, {"&gt;", ">"}, {"&apos;", "'"}, {"&amp;", "&"}})
    s = ReplaceAll(s, from, to);
  return s;
}

std::string NormalizeSpace(std::string_view s) {
  std::string out;
  for (char c : s) {
    if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
      if (!out.empty() && out.back() != ' ') out.push_back(' ');
    } else {
      out.push_back(c);
    }
  }
  return Trim(out);
}

std::string Without(std::string s, std::string_view chars) {
  std::erase_if(s, [&](char c) { return chars.find(c) != std::string_view::npos; });
  return s;
}

// One node of a text field: an element (control code, space, line break) or a text run.
struct Node {
  bool element;
  std::string value;  // the element's name, or the text
};

std::vector<Node> Nodes(std::span<const std::uint8_t> tf, StlTable table) {
  static const char* kLow[32] = {
      "AlphaBlack", "AlphaRed", "AlphaGreen", "AlphaYellow", "AlphaBlue", "AlphaMagenta", "AlphaCyan",
      "AlphaWhite", "Flash", "Steady", "EndBox", "StartBox", "NormalHeight", "DoubleHeight", "DoubleWidth",
      "DoubleSize", "MosaicBlack", "MosaicRed", "MosaicGreen", "MosaicYellow", "MosaicBlue", "MosaicMagenta",
      "MosaicCyan", "MosaicWhite", "Conceal", "ContiguousMosaic", "SeparatedMosaic", "Reserved",
      "BlackBackground", "NewBackground", "HoldMosaic", "ReleaseMosaic"};
  std::vector<Node> nodes;
  std::vector<std::uint8_t> run;
  auto flush = [&] {
    if (!run.empty()) nodes.push_back({false, DecodeStlPlain(run, table)});
    run.clear();
  };
  for (std::uint8_t b : tf) {
    if (b == 0x8F) continue;
    if (b < 0x20 || b == 0x20 || b == 0xA0 || (b >= 0x80 && b < 0xA0)) {
      flush();
      std::string name = b < 0x20 ? kLow[b] : (b == 0x20 || b == 0xA0) ? "space" : b == 0x8A ? "newline" : "control";
      nodes.push_back({true, name});
    } else {
      run.push_back(b);
    }
  }
  flush();
  return nodes;
}

// A TTI element of the XML view: extension blocks are merged into the block that ends the
// subtitle; user-data blocks stand alone.
struct ViewTti {
  StlTti block;
  std::vector<std::uint8_t> text;
  int subtitle = -1;  // index of the document subtitle, -1 for user data
};

std::vector<ViewTti> View(const StlBlocks& f) {
  std::vector<ViewTti> out;
  std::vector<std::uint8_t> pending;
  int subtitles = 0;
  for (const StlTti& t : f.blocks) {
    if (t.cf == 1 || t.ebn == kEbnComment) {
      out.push_back({t, {t.tf.begin(), t.tf.end()}, -1});
    } else if (t.ebn == kEbnLast) {
      pending.insert(pending.end(), t.tf.begin(), t.tf.end());
      out.push_back({t, pending, subtitles++});
      pending.clear();
    } else if (t.ebn <= kEbnMaxExtension) {
      pending.insert(pending.end(), t.tf.begin(), t.tf.end());
    }
  }
  return out;
}

std::string Digits(const std::array<std::uint8_t, 4>& tc) {
  std::string s;
  for (auto v : tc) s += ZeroPad(v, 2);
  return s;
}

struct Outcome {
  int checked = 0;
  std::vector<std::string> failures;
};

void Evaluate(const fs::path& stl, const std::string& sch, Outcome& out) {
  std::string raw = Slurp(stl);
  Bytes bytes(raw.begin(), raw.end());
  StlBlocks file = SplitStlFile(bytes);
  StlTable table = StlTableFromCode(file.gsi.cct);
  std::vector<ViewTti> view = View(file);

  // The reader itself must open every file.
  test::RecordingPrompter p;
  p.answers.assign(4, Answer::No);
  StlReadOptions ro;
  ro.editAreaWidth = 1000;
  StlReadResult doc = ReadStl(bytes, ro, p);

  static const std::regex rule(R"re(<rule context="([^"]*)">([\s\S]*?)</rule>)re");
  static const std::regex let(R"re(<let name="\w+" value="'([\s\S]*?)'"/>)re");
  static const std::regex assertion(R"re(<assert test="([^"]*)">)re");
  static const std::regex tti(R"re(StlXml/BODY/TTICONTAINER/TTI(?:\[(\d+)\])?/(\w+))re");
  for (auto r = std::sregex_iterator(sch.begin(), sch.end(), rule); r != std::sregex_iterator(); ++r) {
    std::string context = (*r)[1];
    std::string body = (*r)[2];
    if (context == "/") continue;
    std::smatch m;
    std::string expectedLet;
    if (std::regex_search(body, m, let)) expectedLet = ReplaceAll(Unescape(m[1]), "''", "'");

    // The value of the context node and the nodes of a text field.
    std::string value;
    std::vector<Node> nodes;
    int subtitle = -1;
    if (StartsWith(context, "StlXml/HEAD/GSI/")) {
      const StlGsiField* f = FindStlGsiField(context.substr(16));
      if (!f) continue;
      value = file.gsi.*f->member;
      if (f->name == std::string("UDA")) value = Base64(TrimRight(value));
    } else if (std::regex_match(context, m, tti)) {
      std::size_t n = m[1].matched ? std::stoul(m[1]) : 1;
      std::string field = m[2];
      if (n == 0 || n > view.size()) {
        out.failures.push_back(stl.filename().string() + ": no " + context);
        continue;
      }
      const ViewTti& v = view[n - 1];
      const StlTti& t = v.block;
      if (field == "SGN") value = std::to_string(t.sgn);
      else if (field == "SN") value = std::to_string(t.sn);
      else if (field == "EBN") { char b[3]; std::snprintf(b, 3, "%02x", t.ebn); value = b; }
      else if (field == "CS") value = ZeroPad(t.cs, 2);
      else if (field == "TCI") value = Digits(t.tci);
      else if (field == "TCO") value = Digits(t.tco);
      else if (field == "VP") value = std::to_string(t.vp);
      else if (field == "JC") value = ZeroPad(t.jc, 2);
      else if (field == "CF") value = ZeroPad(t.cf, 2);
      else if (field == "TF" && v.subtitle < 0) {
        value = Base64(std::string(t.tf.begin(), t.tf.end()));  // user data is shown as it stands
        nodes.push_back({false, value});
      }
      else if (field == "TF") {
        nodes = Nodes(v.text, table);
        for (const Node& nd : nodes)
          if (!nd.element) value += nd.value;
        subtitle = v.subtitle;
      } else continue;
    } else {
      continue;  // the converter's own source elements
    }

    for (auto a = std::sregex_iterator(body.begin(), body.end(), assertion); a != std::sregex_iterator(); ++a) {
      std::string test = Unescape((*a)[1]);
      static const std::regex eq(R"re(^(normalize-space\(\.\)|\.|string\(\.\)|text\(\))\s*(=|!=)\s*(?:string\()?(?:'([\s\S]*)'|\$\w+)\)?$)re");
      static const std::regex childText(R"re(^child::text\(\)\[(\d+)\]\s*=\s*'([\s\S]*)'$)re");
      static const std::regex childName(R"re(^name\(child::\*\[(\d+)\]\)\s*=\s*'(\w+)'$)re");
      static const std::regex afterBox(R"re(^StartBox\[position\(\) < 3\]\[name\(following-sibling::node\(\)\[1\]\) = '(\w+)' ?\]$)re");
      bool pass = false;
      std::string expected;
      if (std::regex_match(test, m, eq)) {
        expected = m[3].matched ? ReplaceAll(std::string(m[3]), "''", "'") : expectedLet;
        bool normalise = std::string(m[1]) == "normalize-space(.)";
        std::string actual = normalise ? NormalizeSpace(value) : value;
        pass = (actual == expected) == (std::string(m[2]) == "=");
        // The document's text must hold the same characters (spaces are elements in the view).
        if (pass && subtitle >= 0 && !expected.empty()) {
          // "<", ">", "[" and "]" from the file are characters, held as literals.
          std::string text = UnescapeLiterals(Without(doc.doc.At(subtitle).text, "\x01\x02\x03\x04\x05\x06\x07"));
          pass = Without(text, " \r\n") == Without(expected, " ");
          if (!pass) expected += " (document text: " + text + ")";
        }
      } else if (std::regex_match(test, m, childText)) {
        std::size_t k = std::stoul(m[1]);
        expected = m[2];
        std::vector<std::string> texts;
        for (const Node& nd : nodes)
          if (!nd.element) texts.push_back(nd.value);
        pass = k >= 1 && k <= texts.size() && texts[k - 1] == expected;
      } else if (std::regex_match(test, m, childName)) {
        std::size_t k = std::stoul(m[1]);
        expected = m[2];
        std::vector<std::string> names;
        for (const Node& nd : nodes)
          if (nd.element) names.push_back(nd.value);
        pass = k >= 1 && k <= names.size() && names[k - 1] == expected;
      } else if (std::regex_match(test, m, afterBox)) {
        expected = m[1];
        int boxes = 0;
        for (std::size_t i = 0; i + 1 < nodes.size() && boxes < 2; ++i)
          if (nodes[i].element && nodes[i].value == "StartBox") {
            ++boxes;
            if (nodes[i + 1].element && nodes[i + 1].value == expected) pass = true;
          }
      } else {
        out.failures.push_back(stl.filename().string() + ": cannot evaluate " + test);
        continue;
      }
      ++out.checked;
      if (!pass)
        out.failures.push_back(stl.filename().string() + ": " + context + " " + test + " expected \"" + expected +
                               "\", read \"" + value + "\"");
    }
  }
}

TEST(StlConformance, SharedSampleFiles) {
  fs::path root = fs::path(KIPO_SHARED_SAMPLES) / "ebu-stl-conformance";
  if (!fs::is_directory(root / "stl")) GTEST_SKIP() << "no conformance files at " << root;
  int files = 0, passed = 0, notApplicable = 0;
  Outcome all;
  for (const auto& entry : fs::directory_iterator(root / "stl")) {
    if (entry.path().extension() != ".stl") continue;
    ++files;
    std::string sch = Slurp(root / "expected" / entry.path().filename().replace_extension(".sch"));
    // Files that test options of the other project's converter say nothing about reading.
    if (sch.find("parameter that") != std::string::npos) {
      ++notApplicable;
      continue;
    }
    Outcome o;
    try {
      Evaluate(entry.path(), sch, o);
    } catch (const std::exception& e) {
      o.failures.push_back(entry.path().filename().string() + ": " + e.what());
    }
    all.checked += o.checked;
    if (o.failures.empty()) ++passed;
    for (auto& f : o.failures) all.failures.push_back(f);
  }
  std::cout << "EBU STL conformance: " << passed << " of " << files - notApplicable << " files pass ("
            << all.checked << " expectations; " << notApplicable << " files test converter options)\n";
  for (const auto& f : all.failures) std::cout << "  " << f << "\n";
  EXPECT_EQ(files, 108);
  // Two expectations differ from ISO 6937 itself and are kept as the standard has them:
  // 0xE3 and 0xEB are the ordinal indicators (expected: a and o with dot below), and 0xCC is
  // the non-spacing underline (expected: macron below). A third is a choice of ours: 0x24
  // reads as "$" (expected: the currency sign of ISO 6937), because broadcasters' files
  // write their dollars there ("$1.1 million"); the currency sign is read from 0xA8.
  std::vector<std::string> known;
  for (const auto& f : all.failures)
    if (!StartsWith(f, "requirement-0166-003.stl") && !StartsWith(f, "requirement-0166-005.stl") &&
        !StartsWith(f, "requirement-0165-001.stl"))
      known.push_back(f);
  EXPECT_TRUE(known.empty());
  EXPECT_EQ(passed, 100);
}

}  // namespace
}  // namespace kipo
