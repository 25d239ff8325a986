#include "text/word_list.h"

#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include "platform/encoding.h"
#include "platform/files.h"
#include "platform/prompter.h"
#include "platform/text_util.h"
#include "platform/user_error.h"

namespace kipo {
namespace {

// Word lists are typed by hand; anything beyond this is not one.
constexpr std::uintmax_t kMaxListBytes = std::uintmax_t(16) << 20;

WordList ParseWordListText(std::string_view text) {
  std::vector<std::string> lines = SplitLines(text);
  // The line end after the last pair does not open another (empty) line.
  if (!lines.empty() && lines.back().empty()) lines.pop_back();
  WordList list;
  list.reserve(lines.size());
  for (const std::string& line : lines) {
    std::size_t tab = line.find('\t');
    if (tab == std::string::npos) {
      list.push_back({line, ""});
    } else {
      std::size_t second = line.find('\t', tab + 1);
      list.push_back({line.substr(0, tab), line.substr(tab + 1, second == std::string::npos ? second : second - tab - 1)});
    }
  }
  return list;
}

std::string OneLine(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c == '\t' || c == '\r' || c == '\n') c = ' ';
  return out;
}

bool IsWordCodePoint(UChar32 c) { return u_isalnum(c) || u_hasBinaryProperty(c, UCHAR_ALPHABETIC); }

struct Decoded {
  std::u32string folded;           // case-folded code points
  std::vector<std::size_t> start;  // byte offset of each code point, plus the end
};

Decoded DecodeFolded(std::string_view s) {
  Decoded d;
  d.folded.reserve(s.size());
  d.start.reserve(s.size() + 1);
  const auto* p = reinterpret_cast<const std::uint8_t*>(s.data());
  int32_t i = 0, n = static_cast<int32_t>(s.size());
  while (i < n) {
    d.start.push_back(static_cast<std::size_t>(i));
    UChar32 c;
    U8_NEXT(p, i, n, c);
    if (c < 0) c = 0xFFFD;
    d.folded.push_back(static_cast<char32_t>(u_foldCase(c, U_FOLD_CASE_DEFAULT)));
  }
  d.start.push_back(s.size());
  return d;
}

}  // namespace

WordList ParseWordList(std::span<const std::uint8_t> bytes, std::string_view fallbackCodePage) {
  // The file is UTF-8 by definition: no guessing of UTF-16 from zero bytes, which a list
  // holding NULs would otherwise trigger. A byte-order mark still decides.
  BomInfo bom = DetectBom(bytes);
  auto body = bytes.subspan(bom.length);
  std::string_view raw(reinterpret_cast<const char*>(body.data()), body.size());
  switch (bom.encoding) {
    case UnicodeEncoding::Utf16LE: return ParseWordListText(Utf16LEToUtf8(body));
    case UnicodeEncoding::Utf16BE: return ParseWordListText(Utf16BEToUtf8(body));
    case UnicodeEncoding::Utf8: return ParseWordListText(raw);
    case UnicodeEncoding::None: break;
  }
  return ParseWordListText(IsValidUtf8(raw) ? std::string(raw) : CodePageToUtf8(body, fallbackCodePage));
}

WordList ParseLegacyWordList(std::span<const std::uint8_t> bytes, std::string_view ansiCodePage) {
  return ParseWordListText(CodePageToUtf8(bytes, ansiCodePage));
}

std::string SerialiseWordList(const WordList& list) {
  std::string out;
  for (const WordPair& p : list) {
    if (p.find.empty() && p.replacement.empty()) continue;
    out += p.find;
    out += '\t';
    out += p.replacement;
    out += kCrLf;
  }
  return out;
}

WordList LoadWordListFile(const std::filesystem::path& path, std::string_view fallbackCodePage) {
  std::error_code ec;
  if (!std::filesystem::exists(path, ec)) return {};
  return ParseWordList(ReadFileBytes(path, kMaxListBytes), fallbackCodePage);
}

void SaveWordListFile(const std::filesystem::path& path, const WordList& list) {
  EnsureFolder(path.parent_path());
  WriteFileAtomic(path, SerialiseWordList(list));
}

WordList LoadAutoReplace(std::string_view ansiCodePage) {
  const std::filesystem::path current = DataFolder() / kAutoReplaceFile;
  const std::filesystem::path legacy = DataFolder() / kLegacyAutoReplaceFile;
  std::error_code ec;
  if (std::filesystem::exists(legacy, ec) && !std::filesystem::exists(current, ec)) {
    // The new file is written completely before the old one goes, so an interrupted
    // conversion simply runs again at the next start.
    Bytes bytes = ReadFileBytes(legacy, kMaxListBytes);
    WordList list = ParseLegacyWordList(bytes, ansiCodePage);
    SaveWordListFile(current, list);
    std::filesystem::remove(legacy, ec);
    return list;
  }
  return LoadWordListFile(current, ansiCodePage);
}

void SaveAutoReplace(const WordList& list) { SaveWordListFile(DataFolder() / kAutoReplaceFile, list); }

WordList LoadProfanityList() { return LoadWordListFile(DataFolder() / kProfanityFile); }

void SaveProfanityList(const WordList& list) { SaveWordListFile(DataFolder() / kProfanityFile, list); }

AddResult AddWordPair(WordList& list, std::string_view find, std::string_view replacement, Prompter& prompter) {
  std::string f = OneLine(find), r = OneLine(replacement);
  for (WordPair& p : list) {
    if (p.find != f) continue;
    if (!prompter.AskYesNo("AutoReplace",
                           "This AutoReplace item already exists. Would you like to replace the existing entry?"))
      return AddResult::Kept;
    p.replacement = std::move(r);
    return AddResult::Replaced;
  }
  list.push_back({std::move(f), std::move(r)});
  return AddResult::Added;
}

bool IsAutoReplaceTrigger(std::string_view typed) {
  if (typed == "\r\n" || typed == "\r" || typed == "\n") return true;
  return typed.size() == 1 && std::string_view(" ?;:.,)'!\"").find(typed[0]) != std::string_view::npos;
}

std::optional<TypedReplacement> ReplaceWordBeforeCaret(std::string_view text, std::size_t caret,
                                                       std::string_view typed, const WordList& list) {
  if (caret > text.size() || typed.size() > caret || text.substr(caret - typed.size(), typed.size()) != typed)
    return std::nullopt;
  const std::size_t end = caret - typed.size();
  // Back over letters, digits and apostrophes: "(teh" and "<teh" offer "teh".
  std::size_t begin = end;
  const auto* p = reinterpret_cast<const std::uint8_t*>(text.data());
  while (begin > 0) {
    int32_t i = static_cast<int32_t>(begin);
    UChar32 c;
    U8_PREV(p, 0, i, c);
    if (!(IsWordCodePoint(c) || c == '\'' || c == 0x2019)) break;
    begin = static_cast<std::size_t>(i);
  }
  if (begin == end) return std::nullopt;
  std::string_view word = text.substr(begin, end - begin);
  for (std::size_t k = 0; k < list.size(); ++k) {
    if (list[k].find.empty() || list[k].find != word) continue;
    TypedReplacement r;
    r.text.reserve(text.size() + list[k].replacement.size());
    r.text.append(text.substr(0, begin)).append(list[k].replacement).append(text.substr(end));
    r.caret = begin + list[k].replacement.size() + typed.size();
    r.pairIndex = k;
    return r;
  }
  return std::nullopt;
}

std::u32string FoldCase(std::string_view text) { return DecodeFolded(text).folded; }

std::vector<TextRange> FindWholeWords(std::string_view text, std::string_view word) {
  std::vector<TextRange> found;
  if (word.empty()) return found;
  const Decoded t = DecodeFolded(text);
  const Decoded w = DecodeFolded(word);
  const std::u32string& f = t.folded;
  const std::u32string& needle = w.folded;
  const bool wordStartsWithLetter = IsWordCodePoint(static_cast<UChar32>(needle.front()));
  const bool wordEndsWithLetter = IsWordCodePoint(static_cast<UChar32>(needle.back()));
  std::size_t i = 0;
  while ((i = f.find(needle, i)) != std::u32string::npos) {
    std::size_t after = i + needle.size();
    bool okBefore = !wordStartsWithLetter || i == 0 || !IsWordCodePoint(static_cast<UChar32>(f[i - 1]));
    bool okAfter = !wordEndsWithLetter || after == f.size() || !IsWordCodePoint(static_cast<UChar32>(f[after]));
    if (okBefore && okAfter) {
      found.push_back({t.start[i], t.start[after] - t.start[i]});
      i = after;
    } else {
      ++i;
    }
  }
  return found;
}

}  // namespace kipo
