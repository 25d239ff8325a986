#include "support/recording_prompter.h"

namespace kipo::test {

Answer RecordingPrompter::Ask(const Message& m) {
  shown.push_back({"ask", m.title, m.text, m.buttons});
  if (m.buttons == Buttons::Ok) return Answer::Ok;
  if (!answers.empty()) {
    Answer a = answers.front();
    answers.pop_front();
    return a;
  }
  return m.buttons == Buttons::YesNo ? Answer::No : Answer::Cancel;
}

std::optional<std::string> RecordingPrompter::Input(const std::string& title, const std::string& prompt,
                                                    const std::string&) {
  shown.push_back({"input", title, prompt});
  if (inputs.empty()) return std::nullopt;
  auto v = inputs.front();
  inputs.pop_front();
  return v;
}

std::optional<FileChoice> RecordingPrompter::OpenFile(const FileDialog& d) {
  shown.push_back({"open", d.title, d.filter});
  dialogs.push_back(d);
  if (files.empty()) return std::nullopt;
  auto v = files.front();
  files.pop_front();
  return v;
}

std::optional<FileChoice> RecordingPrompter::SaveFile(const FileDialog& d) {
  shown.push_back({"save", d.title, d.filter});
  dialogs.push_back(d);
  if (files.empty()) return std::nullopt;
  auto v = files.front();
  files.pop_front();
  return v;
}

std::optional<std::string> RecordingPrompter::ChooseFolder(const std::string& prompt) {
  shown.push_back({"folder", "", prompt});
  if (inputs.empty()) return std::nullopt;
  auto v = inputs.front();
  inputs.pop_front();
  return v;
}

std::optional<int> RecordingPrompter::Choose(const std::string& title, const std::string& prompt,
                                             const std::vector<std::string>&) {
  shown.push_back({"choose", title, prompt});
  if (choices.empty()) return std::nullopt;
  auto v = choices.front();
  choices.pop_front();
  return v;
}

std::vector<std::string> RecordingPrompter::Texts() const {
  std::vector<std::string> t;
  for (const auto& s : shown) t.push_back(s.text);
  return t;
}

}  // namespace kipo::test
