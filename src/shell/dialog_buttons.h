#pragma once

class QDialog;
class QHBoxLayout;
class QPushButton;

namespace orv {

class Application;

// The OK and Cancel buttons of a dialog, captioned from the interface texts and right-aligned in
// a row: OK is the default button, Cancel rejects the dialog. The caller connects OK.
QHBoxLayout* OkCancelRow(const Application& app, QDialog* dialog, QPushButton* ok,
                         QPushButton* cancel);

}  // namespace orv
