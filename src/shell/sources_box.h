#pragma once

#include <QGroupBox>
#include <QString>
#include <array>

#include "app/application.h"
#include "shell/focus_help.h"

class QLabel;
class QPushButton;

namespace orv {

// Follows the caption of a cam whose centerline, rocker ratio and lash were taken with it.
inline constexpr const char* kLobeSettingsNote =
    "  (centerline, rocker ratio and lash of the lobe)";

class InputBox;

// The cam and airflow sources: for the intake cam, the exhaust cam, the intake flow test and the
// exhaust flow test a name, the caption naming the file it came from and an Edit button; beside
// each cam its three settings (lobe centerline, rocker ratio, lash: inputs 29 to 31 and 33 to
// 35) with label, text box and unit caption.
class SourcesBox final : public QGroupBox {
  Q_OBJECT

 public:
  explicit SourcesBox(Application& app, QWidget* parent = nullptr);

  void ShowCaptions();
  void ShowSources();
  void ShowCamSettings();
  // The cam card of each lobe: in one line under the cams, and on hover over the caption or
  // that line the caption, the line and the card of both lobes (refreshed with the sources and
  // the cam settings).
  void ShowCamCards();
  // The one-line card of the intake (0) or exhaust (1) lobe last shown.
  const QString& cardLine(int side) const { return cardLines_.at(static_cast<std::size_t>(side)); }

  // The text box of cam setting n (29..31, 33..35).
  InputBox* box(int n) const;
  // The captions of the sources carry the object names "sourceCaption_0" to "sourceCaption_3",
  // their Edit buttons "edit_0" to "edit_3", and the labels of the one-line cards of the intake
  // and exhaust lobes "cardLine_0" and "cardLine_1".

 Q_SIGNALS:
  // Edit button `source` was pressed (0 intake cam, 1 exhaust cam, 2 intake flow, 3 exhaust
  // flow).
  void editSourceRequested(int source);
  void boxLeft(int input, const QString& text);
  void boxEnter(int input, const QString& text);
  void helpWanted(int helpText);

 private:
  FocusHelp* focusHelp_ = new FocusHelp(this);
  static constexpr int kSettingCount = 6;
  static constexpr std::array<int, kSettingCount> kSettings = {29, 30, 31, 33, 34, 35};

  Application& app_;
  std::array<QLabel*, 4> names_{};
  std::array<QLabel*, 4> captions_{};
  std::array<QPushButton*, 4> edits_{};
  std::array<QLabel*, kSettingCount> settingLabels_{};
  std::array<InputBox*, kSettingCount> settingBoxes_{};
  std::array<QLabel*, kSettingCount> settingUnits_{};
  std::array<QLabel*, 2> cards_{};
  std::array<QString, 2> cardLines_;
};

}  // namespace orv
