#pragma once

#include <QWidget>

class QLabel;

namespace orv {

// The small window shown while a print job is prepared: its only content is the word
// "PRINTING", stretched over the whole window. `KillMe` closes it.
class PrintingNotice final : public QWidget {
  Q_OBJECT

 public:
  explicit PrintingNotice(QWidget* parent = nullptr);

  // Shows the notice and lets it paint before the caller goes on with the print job.
  void ShowNow();
  // Closes the notice.
  void KillMe();

  QString text() const;

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  QLabel* label_;
};

// Shows the printing notice for as long as it lives.
class PrintingNoticeScope final {
 public:
  explicit PrintingNoticeScope(QWidget* parent);
  ~PrintingNoticeScope();
  PrintingNoticeScope(const PrintingNoticeScope&) = delete;
  PrintingNoticeScope& operator=(const PrintingNoticeScope&) = delete;

 private:
  PrintingNotice* notice_;
};

}  // namespace orv
