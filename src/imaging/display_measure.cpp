#include "imaging/display_measure.h"

#include "imaging/display_format.h"
#include "imaging/text_layout.h"
#include "platform/text_util.h"
#include "settings/keys.h"
#include "settings/settings_store.h"

namespace kipo {
namespace {

constexpr IntSetting kDisplayLeftMargin{keys::kDisplay, "Left margin", 60, 0, 8192};
constexpr IntSetting kDisplayRightMargin{keys::kDisplay, "Right margin", 60, 0, 8192};

class DisplayMeasure : public RowMeasure {
 public:
  DisplayMeasure(const DisplayGeometry& g, const TextMeasurer* m) : g_(g), m_(m) {
    if (!m_) {
      own_ = MakeLayoutMeasurer();
      m_ = own_.get();
    }
  }
  double Width(std::string_view plain, bool bold, bool italic) const override {
    FontFace f = g_.font;
    f.bold = f.bold || bold;
    f.italic = italic;
    return m_->Width(plain, f);
  }
  double SafeWidth() const override { return g_.SafeWidth(); }

 private:
  DisplayGeometry g_;
  const TextMeasurer* m_;
  std::unique_ptr<TextMeasurer> own_;
};

}  // namespace

DisplayGeometry DisplayGeometry::Load(const SettingsStore& store) {
  DisplayGeometry g;
  g.font.family = store.Get(keys::kDisplayFontName);
  g.font.pixelSize = static_cast<double>(store.Get(keys::kDisplayFontSize));
  g.font.bold = EqualsIgnoreCase(store.Get(keys::kDisplayFontWeight), "Bold");
  const FrameSize frame = DisplayFormatSize(static_cast<int>(store.Get(keys::kDisplayVideoFormat)));
  if (frame.width > 0) g.pictureWidth = frame.width;
  g.leftMargin = static_cast<int>(store.Get(kDisplayLeftMargin));
  g.rightMargin = static_cast<int>(store.Get(kDisplayRightMargin));
  return g;
}

std::unique_ptr<RowMeasure> MakeDisplayMeasure(const DisplayGeometry& g, const TextMeasurer* measurer) {
  return std::make_unique<DisplayMeasure>(g, measurer);
}

}  // namespace kipo
