#pragma once
// The system clipboard for the Workstation's Cut, Copy and Paste.
#include "platform/clipboard.h"

namespace kipo::gui {

class QtClipboard : public Clipboard {
 public:
  bool HasFormat(ClipboardFormat format) const override;
  std::optional<std::string> Data(ClipboardFormat format) const override;
  void SetText(const std::string& text) override;
  void Clear() override;
};

}  // namespace kipo::gui
