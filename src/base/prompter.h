#pragma once

#include <optional>
#include <string>

namespace orv {

// The one way the core speaks to the user: warnings, questions, beeps and file names. The
// window implements it with message boxes and file dialogs, the command line and the tests
// without a screen. Every layer that has something to say to the user takes a `Prompter&`.
class Prompter {
 public:
  enum class Answer { Yes, No, Cancel };

  virtual ~Prompter() = default;
  // A message with the warning icon and an OK button.
  virtual void Warn(const std::string& text, const std::string& title) = 0;
  // A question with Yes, No and Cancel.
  virtual Answer AskYesNoCancel(const std::string& text, const std::string& title) = 0;
  virtual void Beep() = 0;

  // An information message with an OK button.
  virtual void Inform(const std::string& text, const std::string& title) { Warn(text, title); }

  // The kinds of file the file-name dialog asks for (its filter, default extension, title).
  enum class FileKind {
    SaveEngine = 0,
    SaveEngineAs = 1,
    OpenEngine = 2,
    SaveReport = 3,
    OpenProject = 4,
    SaveProject = 5,
    OpenDatabase = 6,
    SaveGraph = 9,
    // File, Compare With...: an engine file opened read-only as the reference.
    CompareEngine = 10,
  };
  // Asks for a file name, `preset` shown first (a preset ending in the folder separator
  // presets the folder only). Nothing when the user cancels; without a screen nothing is
  // chosen.
  virtual std::optional<std::string> AskFileName(FileKind kind, const std::string& preset) {
    (void)kind;
    (void)preset;
    return std::nullopt;
  }
};

// A prompter that says nothing, answers Cancel and chooses no file (reads whose failure the
// caller reports by their result).
class SilentPrompter final : public Prompter {
 public:
  void Warn(const std::string&, const std::string&) override {}
  Answer AskYesNoCancel(const std::string&, const std::string&) override { return Answer::Cancel; }
  void Beep() override {}
};

// The application's title, used for message boxes.
inline constexpr const char* kAppTitle = "Orvantis";

}  // namespace orv
