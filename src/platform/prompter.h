#pragma once
// Every question, message, file choice, status text and progress report reaches the user
// through a Prompter. The desktop app answers with dialogs, the command line with flags or
// a terminal question, tests with a scripted fake that records each message.
#include <optional>
#include <string>
#include <vector>

namespace kipo {

enum class Answer { Ok, Cancel, Yes, No };
enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel };
enum class Icon { None, Information, Question, Warning, Critical };

struct Message {
  std::string title;  // empty means the application title
  std::string text;   // lines separated by "\n"
  Buttons buttons = Buttons::Ok;
  Icon icon = Icon::None;
};

// A common file dialog: the filter is the system's "Description|*.ext|..." string.
struct FileDialog {
  std::string title;
  std::string filter;
  int filterIndex = 1;  // 1-based, as the dialog reports it
  std::string defaultExt;
  std::string initialDir;
  std::string fileName;
  bool overwritePrompt = false;
  bool pathMustExist = false;
};

struct FileChoice {
  std::string path;
  int filterIndex = 1;
};

class Prompter {
 public:
  virtual ~Prompter() = default;
  // Shows a message box; returns the button pressed (Ok for an information box).
  virtual Answer Ask(const Message& message) = 0;
  virtual std::optional<std::string> Input(const std::string& title, const std::string& prompt,
                                           const std::string& initial) = 0;
  virtual std::optional<FileChoice> OpenFile(const FileDialog& dialog) = 0;
  virtual std::optional<FileChoice> SaveFile(const FileDialog& dialog) = 0;
  virtual std::optional<std::string> ChooseFolder(const std::string& prompt) = 0;
  // Picks one entry of a list (for example a language); returns its index.
  virtual std::optional<int> Choose(const std::string& title, const std::string& prompt,
                                    const std::vector<std::string>& options) = 0;
  // The main window's status panel.
  virtual void Status(const std::string& text) = 0;
  // Progress of long work; total 0 means unknown.
  virtual void Progress(const std::string& text, long done, long total) = 0;

  // Conveniences over Ask.
  void Inform(const std::string& title, const std::string& text, Icon icon = Icon::Information) {
    Ask({title, text, Buttons::Ok, icon});
  }
  bool AskYesNo(const std::string& title, const std::string& text) {
    return Ask({title, text, Buttons::YesNo, Icon::Question}) == Answer::Yes;
  }
};

// Answers every question with the reply that keeps data and files unchanged and shows
// nothing: for code paths that run without a user.
class SilentPrompter : public Prompter {
 public:
  Answer Ask(const Message& m) override {
    switch (m.buttons) {
      case Buttons::Ok: return Answer::Ok;
      case Buttons::OkCancel: return Answer::Cancel;
      case Buttons::YesNo: return Answer::No;
      case Buttons::YesNoCancel: return Answer::Cancel;
    }
    return Answer::Cancel;
  }
  std::optional<std::string> Input(const std::string&, const std::string&, const std::string&) override {
    return std::nullopt;
  }
  std::optional<FileChoice> OpenFile(const FileDialog&) override { return std::nullopt; }
  std::optional<FileChoice> SaveFile(const FileDialog&) override { return std::nullopt; }
  std::optional<std::string> ChooseFolder(const std::string&) override { return std::nullopt; }
  std::optional<int> Choose(const std::string&, const std::string&, const std::vector<std::string>&) override {
    return std::nullopt;
  }
  void Status(const std::string&) override {}
  void Progress(const std::string&, long, long) override {}
};

}  // namespace kipo
