#pragma once
// The subtitle list: a virtual table over the open document (number, in, out, duration,
// text on one line). It reads the document on demand, so 32,767 subtitles scroll freely.
#include <QAbstractTableModel>
#include <set>

#include "core/document.h"

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

  // Subtitles (0-based) drawn as faulty, from the last error list.
  void setFaulty(std::set<std::size_t> rows);

 private:
  void OnChange(const DocumentChange& c);
  SubtitleDocument& doc_;
  Connection listening_;
  std::set<std::size_t> faulty_;
};

// The text of a subtitle on one line: rows joined by " | ", markup removed.
QString OneLineText(const std::string& text);

}  // namespace kipo::gui
