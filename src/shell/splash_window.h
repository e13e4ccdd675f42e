#pragma once

#include <QWidget>
#include <filesystem>

namespace orv {

class Application;

// The window shown while the program starts: its name and version. It fixes the program folder
// and the data root before the main window loads.
class SplashWindow final : public QWidget {
  Q_OBJECT

 public:
  explicit SplashWindow(QWidget* parent = nullptr);

  // The program folder (where the interface texts and the manual are) and the data root: the
  // given one when not empty, else ORVANTIS_DATA_ROOT, else the user's home folder's.
  static void FixFolders(Application& app, const std::filesystem::path& dataRoot);
};

}  // namespace orv
