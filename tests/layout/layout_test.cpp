// Checks over the source tree itself: modules include only the modules below them, and the
// settings are read through key declarations rather than literal section and key names.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <optional>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

fs::path SourceRoot() { return fs::path(KIPO_TEST_DATA).parent_path().parent_path() / "src"; }

// The module order, lowest first. Modules on the same level are siblings: neither may
// include the other. "formats" is the registry over every format family (src/formats/*.h).
const std::map<std::string, int>& Levels() {
  static const std::map<std::string, int> levels{
      {"platform", 0},
      {"settings", 1},
      {"core", 2},
      {"video", 3},
      {"timing", 4},
      {"text", 5},
      {"formats/exchange", 6},
      {"formats/broadcast", 6},
      {"formats/timedtext", 6},
      {"formats/caption", 6},
      {"imaging", 7},
      {"formats/cinema", 8},
      {"formats", 9},
      {"app", 10},
      {"cli", 11},
      {"gui", 11},
  };
  return levels;
}

// The module a path under src/ belongs to: its first folder, or for src/formats/ the
// family folder (a file directly in src/formats/ is the registry).
std::string ModuleOf(const fs::path& relative) {
  auto it = relative.begin();
  if (it == relative.end()) return {};
  std::string first = it->string();
  if (first != "formats") return first;
  ++it;
  if (it == relative.end()) return first;
  auto next = std::next(it);
  return next == relative.end() ? first : first + "/" + it->string();
}

struct Line {
  fs::path file;  // relative to src/
  int number;
  std::string text;
};

std::vector<Line> SourceLines() {
  std::vector<Line> lines;
  std::vector<fs::path> files;
  for (const auto& e : fs::recursive_directory_iterator(SourceRoot())) {
    auto ext = e.path().extension();
    if (e.is_regular_file() && (ext == ".h" || ext == ".cpp")) files.push_back(e.path());
  }
  std::sort(files.begin(), files.end());
  for (const fs::path& f : files) {
    std::ifstream in(f);
    std::string text;
    for (int n = 1; std::getline(in, text); ++n) lines.push_back({fs::relative(f, SourceRoot()), n, text});
  }
  return lines;
}

std::string Where(const Line& l) { return "src/" + l.file.generic_string() + ":" + std::to_string(l.number) + ": "; }

TEST(Layout, ModulesIncludeOnlyModulesBelowThem) {
  const std::regex include(R"re(^\s*#\s*include\s*"([^"]+)")re");
  std::vector<std::string> offences;
  std::size_t checked = 0;
  for (const Line& l : SourceLines()) {
    std::smatch m;
    if (!std::regex_search(l.text, m, include)) continue;
    fs::path target = m[1].str();
    if (target.parent_path().empty()) continue;  // a header of the same folder
    std::string from = ModuleOf(l.file.parent_path() / l.file.filename());
    std::string to = ModuleOf(target);
    ++checked;
    if (from == to) continue;
    auto f = Levels().find(from), t = Levels().find(to);
    if (f == Levels().end() || t == Levels().end()) {
      offences.push_back(Where(l) + l.text + "   (module \"" + (f == Levels().end() ? from : to) +
                         "\" is not in the module order of this test)");
      continue;
    }
    if (t->second < f->second) continue;
    offences.push_back(Where(l) + l.text + "   (" + from +
                       (t->second == f->second ? " and " + to + " are siblings)" : " may not use " + to + ", above it)"));
  }
  EXPECT_GT(checked, 100u) << "no includes found under " << SourceRoot();
  std::ostringstream all;
  for (const std::string& o : offences) all << o << "\n";
  EXPECT_TRUE(offences.empty()) << offences.size() << " include(s) against the module order:\n" << all.str();
}

TEST(Layout, TheModuleOfAPath) {
  struct Case {
    const char* path;
    const char* module;
  } cases[] = {
      {"core/document.h", "core"},
      {"formats/exchange/subrip.h", "formats/exchange"},
      {"formats/broadcast/pac.cpp", "formats/broadcast"},
      {"formats/format.h", "formats"},
      {"gui/main.cpp", "gui"},
  };
  for (const Case& c : cases) EXPECT_EQ(ModuleOf(c.path), c.module) << c.path;
}

// Settings are read and written through their declarations (settings/setting_key.h). A
// call whose section is a literal or a section constant and whose key is a literal is a
// key declared at its call site. The converted modules must have none; the others are
// listed so that their owners see what is left.
TEST(Layout, SettingsKeysAreDeclaredNotWrittenAtCallSites) {
  const std::regex literalKey(
      R"re(\b(Get|GetBool|GetCheck|GetInt|Set|SetBool|SetCheck|SetInt|Has|Remove)\(\s*("[^"]*"|k[A-Z]\w*)\s*,\s*")re");
  const std::vector<std::string> enforced{"settings", "core", "timing", "text", "platform"};
  std::map<std::string, std::vector<std::string>> found;
  for (const Line& l : SourceLines())
    if (std::regex_search(l.text, literalKey)) found[ModuleOf(l.file)].push_back(Where(l) + l.text);
  for (const auto& [module, lines] : found) {
    bool enforce = std::find(enforced.begin(), enforced.end(), module) != enforced.end();
    std::ostringstream all;
    for (const std::string& s : lines) all << s << "\n";
    if (enforce)
      ADD_FAILURE() << lines.size() << " literal settings key(s) in " << module << ":\n" << all.str();
    else
      std::cout << "[ note ] " << lines.size() << " literal settings key(s) still in " << module << "\n";
  }
}

std::string FileText(const fs::path& f) {
  std::ifstream in(f);
  std::ostringstream all;
  all << in.rdbuf();
  return all.str();
}

// One key, one declaration: two declarations of the same section and name that disagree on
// the type, the default or the stored form fail; an agreeing second declaration is listed.
TEST(Layout, EachSettingsKeyIsDeclaredOneWay) {
  std::vector<fs::path> files;
  for (const auto& e : fs::recursive_directory_iterator(SourceRoot()))
    if (e.is_regular_file() && (e.path().extension() == ".h" || e.path().extension() == ".cpp"))
      files.push_back(e.path());
  std::sort(files.begin(), files.end());
  // Section constants: kOptions = "Options", kFileCleanSection = "File clean", ...
  const std::regex constant(R"re(\b(k\w+)\s*=\s*"([^"]*)")re");
  std::map<std::string, std::string> sections;
  for (const fs::path& f : files) {
    std::string text = FileText(f);
    for (std::sregex_iterator it(text.begin(), text.end(), constant), end; it != end; ++it)
      sections.emplace((*it)[1].str(), (*it)[2].str());
  }
  const std::regex declaration(
      R"re(\b(FlagSetting|TextSetting|IntSetting)\s+(\w+)\s*\{\s*((?:keys::)?k\w+|"[^"]*")\s*,\s*"([^"]*)"\s*,?([^}]*)\})re");
  struct Seen {
    std::string where, rest;
  };
  std::map<std::string, Seen> seen;
  std::vector<std::string> conflicts, repeats;
  std::size_t declarations = 0;
  for (const fs::path& f : files) {
    if (f.filename() == "setting_key.h") continue;  // its comment shows a declaration
    std::string text = FileText(f);
    for (std::sregex_iterator it(text.begin(), text.end(), declaration), end; it != end; ++it) {
      const std::smatch& m = *it;
      std::string section = m[3].str();
      if (section.rfind("keys::", 0) == 0) section = section.substr(6);
      if (section.front() == '"') section = section.substr(1, section.size() - 2);
      else if (auto c = sections.find(section); c != sections.end()) section = c->second;
      std::string rest = m[1].str() + " " + std::regex_replace(m[5].str(), std::regex(R"(\s+)"), " ");
      std::string where = "src/" + fs::relative(f, SourceRoot()).generic_string() + " " + m[2].str();
      std::string key = "\"" + section + "\" / \"" + m[4].str() + "\"";
      ++declarations;
      auto [at, fresh] = seen.emplace(key, Seen{where, rest});
      if (fresh) continue;
      (at->second.rest == rest ? repeats : conflicts)
          .push_back(key + ": " + at->second.where + " {" + at->second.rest + "} and " + where + " {" + rest + "}");
    }
  }
  EXPECT_GT(declarations, 40u);
  for (const std::string& r : repeats) std::cout << "[ note ] declared twice: " << r << "\n";
  std::ostringstream all;
  for (const std::string& c : conflicts) all << c << "\n";
  EXPECT_TRUE(conflicts.empty()) << "keys declared with different types, defaults or stored forms:\n" << all.str();
}

}  // namespace
