#include "text/profanity.h"

#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <unordered_map>

#include "platform/prompter.h"

namespace kipo {
namespace {

bool IsWordCodePoint(char32_t c) {
  const auto u = static_cast<UChar32>(c);
  return u_isalnum(u) || u_hasBinaryProperty(u, UCHAR_ALPHABETIC);
}

// Text folded code point by code point, with the byte offset where each one starts.
struct Folded {
  std::u32string cps;
  std::vector<std::size_t> start;  // one per code point, plus the end
};

Folded Fold(std::string_view s) {
  Folded f;
  f.cps.reserve(s.size());
  f.start.reserve(s.size() + 1);
  const auto* p = reinterpret_cast<const std::uint8_t*>(s.data());
  int32_t i = 0;
  const auto n = static_cast<int32_t>(s.size());
  while (i < n) {
    f.start.push_back(static_cast<std::size_t>(i));
    UChar32 c;
    U8_NEXT(p, i, n, c);
    if (c < 0) c = 0xFFFD;
    f.cps.push_back(static_cast<char32_t>(u_foldCase(c, U_FOLD_CASE_DEFAULT)));
  }
  f.start.push_back(s.size());
  return f;
}

// Every distinct folded find text of the list in one automaton, so that a subtitle is read
// once whatever the length of the list.
class WordMatcher {
 public:
  struct Word {
    std::size_t length;  // code points
    bool startsWithLetter, endsWithLetter;
    std::vector<std::size_t> pairs;  // list positions using this word, ascending
  };
  struct Occurrence {
    std::size_t word, first;  // word id, first code point
    bool operator<(const Occurrence& o) const { return word != o.word ? word < o.word : first < o.first; }
  };

  explicit WordMatcher(const WordList& list) {
    nodes_.push_back({});
    std::unordered_map<std::u32string, std::size_t> ids;
    for (std::size_t k = 0; k < list.size(); ++k) {
      if (list[k].find.empty()) continue;
      std::u32string w = Fold(list[k].find).cps;
      auto [it, fresh] = ids.try_emplace(w, words_.size());
      if (fresh) {
        words_.push_back({w.size(), IsWordCodePoint(w.front()), IsWordCodePoint(w.back()), {}});
        Insert(w, it->second);
      }
      words_[it->second].pairs.push_back(k);
    }
    Link();
  }

  const Word& word(std::size_t id) const { return words_[id]; }

  // Whole-word occurrences in `text`, sorted by word, then position. Occurrences of one
  // word may overlap; the caller skips those it has passed.
  std::vector<Occurrence> Find(const std::u32string& text) const {
    std::vector<Occurrence> found;
    int node = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
      node = Step(node, text[i]);
      for (int out = nodes_[node].word >= 0 ? node : nodes_[node].output; out > 0; out = nodes_[out].output) {
        const std::size_t id = static_cast<std::size_t>(nodes_[out].word);
        const Word& w = words_[id];
        const std::size_t first = i + 1 - w.length, after = i + 1;
        const bool okBefore = !w.startsWithLetter || first == 0 || !IsWordCodePoint(text[first - 1]);
        const bool okAfter = !w.endsWithLetter || after == text.size() || !IsWordCodePoint(text[after]);
        if (okBefore && okAfter) found.push_back({id, first});
      }
    }
    std::sort(found.begin(), found.end());
    return found;
  }

 private:
  struct Node {
    int fail = 0;
    int output = 0;  // nearest node down the fail chain that ends a word (0: none)
    int word = -1;   // the word ending here
  };

  static std::uint64_t Key(int node, char32_t c) { return (std::uint64_t(node) << 32) | c; }

  int Child(int node, char32_t c) const {
    auto it = edges_.find(Key(node, c));
    return it == edges_.end() ? -1 : it->second;
  }

  int Step(int node, char32_t c) const {
    while (true) {
      int next = Child(node, c);
      if (next >= 0) return next;
      if (node == 0) return 0;
      node = nodes_[node].fail;
    }
  }

  void Insert(const std::u32string& w, std::size_t id) {
    int node = 0;
    for (char32_t c : w) {
      int next = Child(node, c);
      if (next < 0) {
        next = static_cast<int>(nodes_.size());
        nodes_.push_back({});
        edges_.emplace(Key(node, c), next);
        children_.resize(nodes_.size());
        children_[node].push_back({c, next});
      }
      node = next;
    }
    nodes_[node].word = static_cast<int>(id);
  }

  // Breadth first: each node's fail link is the longest proper suffix that is in the tree.
  void Link() {
    children_.resize(nodes_.size());
    std::vector<int> queue;
    for (auto [c, child] : children_[0]) queue.push_back(child);
    for (std::size_t q = 0; q < queue.size(); ++q) {
      const int node = queue[q];
      for (auto [c, child] : children_[node]) {
        int f = nodes_[node].fail;
        while (f != 0 && Child(f, c) < 0) f = nodes_[f].fail;
        const int target = Child(f, c);
        nodes_[child].fail = target >= 0 && target != child ? target : 0;
        const Node& fn = nodes_[nodes_[child].fail];
        nodes_[child].output = fn.word >= 0 ? nodes_[child].fail : fn.output;
        queue.push_back(child);
      }
    }
    children_.clear();
  }

  std::vector<Word> words_;
  std::vector<Node> nodes_;
  std::unordered_map<std::uint64_t, int> edges_;
  std::vector<std::vector<std::pair<char32_t, int>>> children_;  // only while building
};

// Prefix sums over code point positions that change one by one.
class Fenwick {
 public:
  explicit Fenwick(std::size_t n) : tree_(n + 1, 0) {}
  void Add(std::size_t i, long long v) {
    for (++i; i < tree_.size(); i += i & -i) tree_[i] += v;
  }
  long long Before(std::size_t i) const {  // sum over [0, i)
    long long s = 0;
    for (; i > 0; i -= i & -i) s += tree_[i];
    return s;
  }

 private:
  std::vector<long long> tree_;
};

}  // namespace

ProfanityResult FindProfanity(SubtitleDocument& doc, std::size_t start, const WordList& list, Prompter& prompter,
                              const ProfanityHooks& hooks) {
  const WordMatcher matcher(list);
  for (std::size_t i = start; i < doc.Count(); ++i) {
    // Occurrences are found once in the text as the find reaches the subtitle; what a
    // replacement puts in is not searched again, so a replacement holding its own word
    // (or another listed word) cannot feed the find for ever.
    const Folded original = Fold(doc.At(i).text);
    const std::vector<WordMatcher::Occurrence> found = matcher.Find(original.cps);
    if (found.empty()) continue;

    // The list positions with an occurrence, in list order, each with its run of `found`.
    struct Run {
      std::size_t pair, begin, end;
    };
    std::vector<Run> runs;
    for (std::size_t b = 0; b < found.size();) {
      std::size_t e = b;
      while (e < found.size() && found[e].word == found[b].word) ++e;
      for (std::size_t k : matcher.word(found[b].word).pairs) runs.push_back({k, b, e});
      b = e;
    }
    std::sort(runs.begin(), runs.end(), [](const Run& a, const Run& b) { return a.pair < b.pair; });

    std::string text = doc.At(i).text;
    Fenwick replaced(original.cps.size());  // code points already replaced
    Fenwick shift(original.cps.size());     // bytes each replacement added before a position
    for (const Run& run : runs) {
      const WordPair& pair = list[run.pair];
      std::size_t from = 0;  // search on after the last occurrence offered
      for (std::size_t o = run.begin; o < run.end; ++o) {
        const std::size_t first = found[o].first, after = first + matcher.word(found[o].word).length;
        if (first < from || replaced.Before(after) != replaced.Before(first)) continue;
        const std::size_t byteFirst = original.start[first], byteLength = original.start[after] - byteFirst;
        const TextRange r{byteFirst + static_cast<std::size_t>(shift.Before(first)), byteLength};
        ProfanityHit hit{i, r, pair};
        if (hooks.show) hooks.show(hit);
        Answer a = prompter.Ask({"", "Replace " + pair.find + " with " + pair.replacement + "?", Buttons::YesNoCancel,
                                 Icon::Question});
        if (a == Answer::Cancel) return ProfanityResult::Cancelled;
        from = after;
        if (a != Answer::Yes) continue;
        if (hooks.beforeReplace) hooks.beforeReplace(hit);
        text.replace(r.first, r.length, pair.replacement);
        doc.SetText(i, text);
        for (std::size_t c = first; c < after; ++c) replaced.Add(c, 1);
        shift.Add(first, static_cast<long long>(pair.replacement.size()) - static_cast<long long>(byteLength));
      }
    }
  }
  prompter.Inform("", "End of file reached");
  return ProfanityResult::EndOfFile;
}

}  // namespace kipo
