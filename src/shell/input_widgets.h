#pragma once

#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QToolButton>

namespace orv {

// A style sheet giving a text the colour `colour` as it reads on `widget`'s background: the
// colour itself on a light background; on a dark one (a dark desktop palette) the same hue made
// light enough to read, so that blue stays blue and red stays red.
QColor ReadableColour(const QColor& colour, const QWidget* widget);
QString TextColourStyle(const QColor& colour, const QWidget* widget);

// The text box of one input: it hands its text over when it loses the focus to another
// control of the program (not when the window is left or a menu opens) and reports the Enter
// key. The input number is kept in the property "input".
//
// Undo and redo keys (Ctrl+Z, Ctrl+Shift+Z, Ctrl+Y): while the box holds typed text not yet
// taken (`isModified`), they undo and redo the typing in the box, as any text box does; once
// the box shows the engine's text again (nothing typed, or the typing undone) they pass to the
// window, whose Edit menu undoes and redoes the engine's steps.
class InputBox final : public QLineEdit {
  Q_OBJECT

 public:
  InputBox(int input, QWidget* parent);
  int input() const noexcept { return input_; }

 Q_SIGNALS:
  // The box lost the focus: its text is to be taken.
  void left(int input);
  // Enter or Return was pressed in the box.
  void enterPressed(int input);

 protected:
  bool event(QEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  int input_;
};

// Whether a key press is one of the undo and redo keys.
bool IsUndoOrRedoKey(const QKeyEvent& event);

// The status picture of an input: one picture for each review state (0 to 5); a click asks the
// core to toggle the state. It takes no focus, so a box being typed in keeps its text. The
// state drawn is kept in the property "statusCode".
class StatusButton final : public QToolButton {
  Q_OBJECT

 public:
  StatusButton(int input, QWidget* parent);
  void ShowStatus(int status);
  int status() const noexcept { return status_; }

 private:
  int status_ = -1;
};

// The picture of review state `status` (0 not approved, 1 to review, 2 approved, 3 to 5 the
// same for an input shown in the disabled colour), `size` pixels square.
QPixmap StatusPicture(int status, int size = 18);

// A one-line label for a text that may be longer than its place (a file path, a caption naming
// one): drawn with an ellipsis where it is cut, the whole text kept as its text. With
// `preferredWidth` 0 it asks for the width of its whole text.
class ElidedLabel final : public QLabel {
 public:
  ElidedLabel(Qt::TextElideMode mode, int preferredWidth, QWidget* parent = nullptr);
  QSize minimumSizeHint() const override;
  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  Qt::TextElideMode mode_;
  int preferredWidth_;
};

}  // namespace orv
