#include "gui/subtitle_list_model.h"

#include <QBrush>
#include <QColor>
#include <QFont>
#include <cmath>

#include "core/rich_text.h"
#include "platform/text_util.h"

namespace kipo::gui {

QString OneLineText(const std::string& text) {
  return QString::fromStdString(ReplaceAll(UnescapeLiterals(StripMarkup(text)), "\r\n", " | "));
}

SubtitleListModel::SubtitleListModel(SubtitleDocument& doc, QObject* parent)
    : QAbstractTableModel(parent), doc_(doc) {
  listening_ = doc_.Subscribe([this](const DocumentChange& c) { OnChange(c); });
}

void SubtitleListModel::OnChange(const DocumentChange& c) {
  switch (c.kind) {
    case DocumentChange::Changed:
      if (c.count > 0)
        emit dataChanged(index(static_cast<int>(c.first), 0),
                         index(static_cast<int>(c.first + c.count - 1), ColumnCount - 1));
      break;
    case DocumentChange::FrameRateChanged:
      if (rowCount() > 0) emit dataChanged(index(0, Duration), index(rowCount() - 1, Duration));
      break;
    case DocumentChange::ValuesChanged: break;
    default:
      // Inserts and removals arrive after the fact: a reset is cheap for a virtual model.
      beginResetModel();
      endResetModel();
  }
}

int SubtitleListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(doc_.Count());
}
int SubtitleListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : ColumnCount; }

QVariant SubtitleListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || static_cast<std::size_t>(index.row()) >= doc_.Count()) return {};
  const Subtitle& s = doc_.At(static_cast<std::size_t>(index.row()));
  if (role == Qt::DisplayRole) {
    switch (index.column()) {
      case Number: return QString::fromStdString(ZeroPad(index.row() + 1, 4));
      case In: return s.inCue.empty() ? QString() : QString::fromStdString(DigitsToLabel(s.inCue));
      case Out: return s.outCue.empty() ? QString() : QString::fromStdString(DigitsToLabel(s.outCue));
      case Duration:
        // Blank for a subtitle without both cues, like the edit area's duration box.
        return s.inCue.IsSet() && s.outCue.IsSet()
                   ? QString::fromStdString(DurationLabel(s.inCue, s.outCue, doc_.frameRate()).value_or("--:--"))
                   : QString();
      case Text: return OneLineText(s.text);
    }
  }
  const bool faulty = faults_ && !faults_->FaultsOf(static_cast<std::size_t>(index.row())).empty();
  // A faulty row keeps its text readable whatever the theme's text colour.
  if (role == Qt::BackgroundRole && faulty) return QBrush(FaultBackground());
  if (role == Qt::ForegroundRole && faulty) return QBrush(ReadableTextOn(FaultBackground()));
  if (role == Qt::FontRole && index.column() == Text && (s.italic || IsWhollyItalic(s.text))) {
    QFont f;
    f.setItalic(true);
    return f;
  }
  if (role == Qt::ToolTipRole && index.column() == Text && !s.comment.empty())
    return QString::fromStdString(s.comment);
  return {};
}

QVariant SubtitleListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  static const char* kHeaders[] = {"No.", "In cue", "Out cue", "Duration", "Text"};
  return section >= 0 && section < ColumnCount ? QString(kHeaders[section]) : QVariant();
}

void SubtitleListModel::setFaults(const LiveErrorList* faults) {
  faults_ = faults;
  faultsChanged();
}

void SubtitleListModel::faultsChanged() {
  if (rowCount() > 0)
    emit dataChanged(index(0, 0), index(rowCount() - 1, ColumnCount - 1), {Qt::BackgroundRole, Qt::ForegroundRole});
}

QColor FaultBackground() { return QColor(255, 149, 149); }

namespace {

double Luminance(const QColor& c) {
  auto channel = [](double v) { return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
  return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
}

}  // namespace

double ContrastRatio(const QColor& a, const QColor& b) {
  double la = Luminance(a), lb = Luminance(b);
  if (la < lb) std::swap(la, lb);
  return (la + 0.05) / (lb + 0.05);
}

QColor ReadableTextOn(const QColor& background) {
  return ContrastRatio(background, Qt::black) >= ContrastRatio(background, Qt::white) ? QColor(Qt::black)
                                                                                      : QColor(Qt::white);
}

}  // namespace kipo::gui
