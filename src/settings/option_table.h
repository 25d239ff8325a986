#pragma once
// Binds the fields of a plain option struct to their settings keys, so that loading,
// saving, listing the keys and setting one key from text (`kipo export --option`) all come
// from one table:
//
//   const OptionTable<WebVttOptions>& WebVttTable() {
//     static const auto t = OptionTable<WebVttOptions>()
//         .Bind(&WebVttOptions::movieName, kWebVttMovieName)
//         .Bind(&WebVttOptions::includeComments, kWebVttIncludeComments);
//     return t;
//   }
//
// Formats never read the store: the caller loads their struct through the table and hands
// it over.
#include <concepts>
#include <functional>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "platform/text_util.h"
#include "settings/settings_store.h"

namespace kipo {

template <class Options>
class OptionTable {
 public:
  struct Row {
    std::string_view section;
    std::string_view name;
    std::function<void(const SettingsStore&, Options&)> load;
    std::function<void(SettingsStore&, const Options&)> save;
    // Stores a value given as text in the key's own form; false when the text does not fit.
    std::function<bool(SettingsStore&, std::string_view)> setText;
  };

  OptionTable& Bind(std::string Options::*field, const TextSetting& key) {
    rows_.push_back({key.section, key.name,
                     [=](const SettingsStore& s, Options& o) { o.*field = s.Get(key); },
                     [=](SettingsStore& s, const Options& o) { s.Set(key, o.*field); },
                     [=](SettingsStore& s, std::string_view v) {
                       s.Set(key, v);
                       return true;
                     }});
    return *this;
  }

  OptionTable& Bind(bool Options::*field, const FlagSetting& key) {
    rows_.push_back({key.section, key.name,
                     [=](const SettingsStore& s, Options& o) { o.*field = s.Get(key); },
                     [=](SettingsStore& s, const Options& o) { s.Set(key, o.*field); },
                     [=](SettingsStore& s, std::string_view v) {
                       auto b = ParseBool(v);
                       if (!b) return false;
                       s.Set(key, *b);
                       return true;
                     }});
    return *this;
  }

  // Whole numbers, and enumerations stored as their number ([key.min, key.max] are then
  // the valid values).
  template <class N>
    requires((std::integral<N> && !std::same_as<N, bool>) || std::is_enum_v<N>)
  OptionTable& Bind(N Options::*field, const IntSetting& key) {
    rows_.push_back({key.section, key.name,
                     [=](const SettingsStore& s, Options& o) { o.*field = static_cast<N>(s.Get(key)); },
                     [=](SettingsStore& s, const Options& o) { s.Set(key, static_cast<long>(o.*field)); },
                     [=](SettingsStore& s, std::string_view v) {
                       long n = 0;
                       if (!ParseInt(Trim(v), n) || n < key.min || n > key.max) return false;
                       s.Set(key, n);
                       return true;
                     }});
    return *this;
  }

  // A field whose stored form is not one of the three (a font weight as "Bold", a number
  // with a fraction): the caller supplies both directions.
  OptionTable& Custom(std::string_view section, std::string_view name,
                      std::function<void(const SettingsStore&, Options&)> load,
                      std::function<void(SettingsStore&, const Options&)> save,
                      std::function<bool(SettingsStore&, std::string_view)> setText = nullptr) {
    rows_.push_back({section, name, std::move(load), std::move(save), std::move(setText)});
    return *this;
  }

  // The struct with every bound field read from the store; unbound fields keep `base`.
  Options Load(const SettingsStore& s, Options base = {}) const {
    for (const Row& r : rows_)
      if (r.load) r.load(s, base);
    return base;
  }
  // Every bound field written, in one file write.
  void Save(SettingsStore& s, const Options& o) const {
    SettingsStore::Batch batch(s);
    for (const Row& r : rows_)
      if (r.save) r.save(s, o);
  }
  std::vector<std::string> Names() const {
    std::vector<std::string> out;
    for (const Row& r : rows_)
      if (r.setText) out.emplace_back(r.name);
    return out;
  }
  // Sets the key named `name` (any case) from text. False when the table has no such key
  // or the text is not a value of the key's kind.
  bool SetFromText(SettingsStore& s, std::string_view name, std::string_view value) const {
    for (const Row& r : rows_)
      if (r.setText && SameName(r.name, name)) return r.setText(s, value);
    return false;
  }
  bool Knows(std::string_view name) const {
    for (const Row& r : rows_)
      if (r.setText && SameName(r.name, name)) return true;
    return false;
  }
  const std::vector<Row>& rows() const { return rows_; }

 private:
  static bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
      auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
      if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
  }
  std::vector<Row> rows_;
};

}  // namespace kipo
