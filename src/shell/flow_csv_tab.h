#pragma once

#include <QWidget>
#include <array>
#include <filesystem>
#include <functional>
#include <string>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QTableWidget;

namespace orv {

class Application;

// The "CSV File" tab of the flow test dialog: a file of a bench or a spreadsheet, its first
// rows shown, which of its columns hold the lift, flow, depression and swirl and in which
// units, and how the test was run.
class FlowCsvTab final : public QWidget {
  Q_OBJECT

 public:
  FlowCsvTab(Application& app, bool intake, QWidget* parent = nullptr);

  // The file as the file chooser takes it: its first rows shown, the mapping of its columns
  // (remembered for its header layout, else guessed from the header) set in the lists.
  void UseFile(const std::filesystem::path& file);
  const std::filesystem::path& csvFile() const noexcept { return file_; }

  // Open: loads the file as the dialog's side's test with the mapping chosen, after
  // `dropTypedPoints`, and remembers the mapping for the file's header layout. False when
  // nothing was loaded (no file, the lift or flow column not chosen, a file that cannot be read).
  bool Open(const std::function<void()>& dropTypedPoints);

 private:
  void ChooseFile();

  Application& app_;
  bool intake_;
  std::filesystem::path file_;
  std::string layout_;
  QLineEdit* fileEdit_ = nullptr;
  QTableWidget* preview_ = nullptr;
  QLabel* message_ = nullptr;
  std::array<QComboBox*, 4> columns_{};  // lift, flow, depression, swirl
  QComboBox* liftUnit_ = nullptr;
  QComboBox* flowUnit_ = nullptr;
  QComboBox* depressionUnit_ = nullptr;
  QLineEdit* depression_ = nullptr;
  QCheckBox* correct_ = nullptr;
  QLineEdit* correctTo_ = nullptr;
  QLineEdit* valve_ = nullptr;
};

}  // namespace orv
