#include "cli/terminal_prompter.h"

#include <unistd.h>

#include <iostream>
#include <string>

#include "platform/text_util.h"

namespace kipo::cli {

bool StdinIsTerminal() { return ::isatty(STDIN_FILENO) == 1; }

TerminalPrompter::TerminalPrompter(std::ostream& err, AutoAnswer autoAnswer, bool interactive)
    : err_(err), auto_(autoAnswer), interactive_(interactive) {}

std::string TerminalPrompter::ReadLine() {
  std::string line;
  if (!std::getline(std::cin, line)) return {};
  return Trim(line);
}

namespace {

const char* Name(Answer a) {
  switch (a) {
    case Answer::Ok: return "OK";
    case Answer::Cancel: return "Cancel";
    case Answer::Yes: return "Yes";
    case Answer::No: return "No";
  }
  return "";
}

std::string OneLine(const std::string& s) { return ReplaceAll(s, "\n", " "); }

// The choices by name: "Greek (1032)" is offered as Greek (the number is accepted too).
std::string ChoiceNames(const std::vector<std::string>& options) {
  std::string names;
  for (const std::string& o : options) {
    const std::size_t open = o.rfind(" (");
    const bool number = open != std::string::npos && o.back() == ')' && open + 3 < o.size() &&
                        o.find_first_not_of("0123456789", open + 2) == o.size() - 1;
    names += (names.empty() ? "" : ", ") + (number ? o.substr(0, open) : o);
  }
  return names;
}

}  // namespace

Answer TerminalPrompter::Ask(const Message& m) {
  std::string title = m.title.empty() ? "Kipo" : m.title;
  if (m.buttons == Buttons::Ok) {
    err_ << title << ": " << OneLine(m.text) << "\n";
    return Answer::Ok;
  }
  Answer keep = m.buttons == Buttons::YesNo ? Answer::No : Answer::Cancel;
  Answer chosen = keep;
  if (auto_ == AutoAnswer::Yes) {
    chosen = m.buttons == Buttons::OkCancel ? Answer::Ok : Answer::Yes;
  } else if (auto_ == AutoAnswer::No) {
    chosen = m.buttons == Buttons::OkCancel ? Answer::Cancel : Answer::No;
  } else if (interactive_) {
    const char* choices = m.buttons == Buttons::OkCancel ? "[o]k/[c]ancel"
                          : m.buttons == Buttons::YesNo  ? "[y]es/[n]o"
                                                         : "[y]es/[n]o/[c]ancel";
    while (true) {
      err_ << title << ": " << OneLine(m.text) << " " << choices << " " << std::flush;
      std::string a = ToLowerAscii(ReadLine());
      if (a.empty() && !std::cin) return keep;
      char c = a.empty() ? ' ' : a[0];
      if (m.buttons == Buttons::OkCancel) {
        if (c == 'o') return Answer::Ok;
        if (c == 'c') return Answer::Cancel;
      } else {
        if (c == 'y') return Answer::Yes;
        if (c == 'n') return Answer::No;
        if (c == 'c' && m.buttons == Buttons::YesNoCancel) return Answer::Cancel;
      }
    }
  }
  err_ << title << ": " << OneLine(m.text) << " -> " << Name(chosen) << "\n";
  return chosen;
}

std::optional<std::string> TerminalPrompter::Input(const std::string& title, const std::string& prompt,
                                                   const std::string& initial) {
  if (!interactive_ || auto_ != AutoAnswer::None) return auto_ == AutoAnswer::Yes ? std::optional(initial) : std::nullopt;
  err_ << (title.empty() ? "Kipo" : title) << ": " << OneLine(prompt) << " [" << initial << "] " << std::flush;
  std::string a = ReadLine();
  if (!std::cin) return std::nullopt;
  return a.empty() ? initial : a;
}

std::optional<FileChoice> TerminalPrompter::OpenFile(const FileDialog& d) {
  if (!interactive_) return std::nullopt;
  err_ << d.title << " (file to open): " << std::flush;
  std::string a = ReadLine();
  if (a.empty()) return std::nullopt;
  return FileChoice{a, d.filterIndex};
}

std::optional<FileChoice> TerminalPrompter::SaveFile(const FileDialog& d) {
  if (!interactive_) return std::nullopt;
  err_ << d.title << " (file to save) [" << d.fileName << "]: " << std::flush;
  std::string a = ReadLine();
  if (a.empty()) a = d.fileName;
  if (a.empty()) return std::nullopt;
  return FileChoice{a, d.filterIndex};
}

std::optional<std::string> TerminalPrompter::ChooseFolder(const std::string& prompt) {
  if (!interactive_) return std::nullopt;
  err_ << OneLine(prompt) << " " << std::flush;
  std::string a = ReadLine();
  if (a.empty()) return std::nullopt;
  return a;
}

std::optional<int> TerminalPrompter::Choose(const std::string& title, const std::string& prompt,
                                            const std::vector<std::string>& options) {
  const std::string name = title.empty() ? "Kipo" : title;
  if (!preset_.empty()) {
    for (std::size_t i = 0; i < options.size(); ++i) {
      // "Greek (1032)": the whole choice, the name before the last bracket, or the number in it.
      const std::string& o = options[i];
      const std::size_t open = o.rfind(" (");
      const bool bracket = open != std::string::npos && o.back() == ')';
      if (EqualsIgnoreCase(o, preset_) || (bracket && EqualsIgnoreCase(o.substr(0, open), preset_)) ||
          (bracket && o.substr(open + 2, o.size() - open - 3) == preset_))
        return static_cast<int>(i);
    }
    err_ << name << ": '" << preset_ << "' is not one of the choices; --language NAME takes one of: "
         << ChoiceNames(options) << "\n";
    return std::nullopt;
  }
  if (!interactive_ || options.empty()) {
    err_ << name << ": " << OneLine(prompt) << " -> nothing chosen (no terminal to ask); give --language NAME, one of: "
         << ChoiceNames(options) << "\n";
    return std::nullopt;
  }
  err_ << name << ": " << OneLine(prompt) << "\n";
  for (std::size_t i = 0; i < options.size(); ++i) err_ << "  " << (i + 1) << ". " << options[i] << "\n";
  err_ << "Number: " << std::flush;
  long n = 0;
  if (!ParseInt(ReadLine(), n) || n < 1 || n > static_cast<long>(options.size())) return std::nullopt;
  return static_cast<int>(n - 1);
}

void TerminalPrompter::Status(const std::string&) {}

void TerminalPrompter::Progress(const std::string& text, long done, long total) {
  if (!interactive_) return;
  if (total > 0) err_ << "\r" << text << " " << (100 * done / total) << "%" << (done >= total ? "\n" : "") << std::flush;
}

}  // namespace kipo::cli
