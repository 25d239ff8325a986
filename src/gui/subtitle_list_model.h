#pragma once
// The subtitle list: a virtual table over the open document (number, in, out, duration,
// text on one line). It reads the document on demand, so 32,767 subtitles scroll freely.
#include <QAbstractTableModel>
#include <QColor>

#include "core/document.h"
#include "timing/live_errors.h"

namespace kipo::gui {

class SubtitleListModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  enum Column { Number, In, Out, Duration, Text, ColumnCount };
  explicit SubtitleListModel(SubtitleDocument& doc, QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  // The live error list whose faulty subtitles are drawn marked; faultsChanged after it
  // changed.
  void setFaults(const LiveErrorList* faults);
  void faultsChanged();

 private:
  void OnChange(const DocumentChange& c);
  SubtitleDocument& doc_;
  Connection listening_;
  const LiveErrorList* faults_ = nullptr;
};

// The marking of a faulty subtitle and of the warning panel.
QColor FaultBackground();
// The contrast ratio of two colours as accessibility guidelines define it (1 to 21).
double ContrastRatio(const QColor& a, const QColor& b);
// Black or white, whichever reads better on a background.
QColor ReadableTextOn(const QColor& background);

// The text of a subtitle on one line: rows joined by " | ", markup removed.
QString OneLineText(const std::string& text);

}  // namespace kipo::gui
