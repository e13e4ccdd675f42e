#include "app/database_read_scheduler.h"

namespace orv {

DatabaseReadStep DatabaseReadScheduler::Start(const DatabaseRead& read) {
  running_ = true;
  DatabaseReadStep step;
  step.start = read;
  return step;
}

DatabaseReadStep DatabaseReadScheduler::Ask(const DatabaseRead& read) {
  // Nothing starts once the dialog is closing.
  if (close_) return {};
  if (!running_) return Start(read);
  switch (read.kind) {
    case DatabaseRead::Kind::Open: {
      // The lists and notes waiting belong to the file being left.
      open_ = read;
      list_ = false;
      notes_.reset();
      DatabaseReadStep step;
      step.cancelRunning = true;
      return step;
    }
    case DatabaseRead::Kind::List:
      list_ = true;
      break;
    case DatabaseRead::Kind::Notes:
      notes_ = read.notesId;
      break;
  }
  return {};
}

DatabaseReadStep DatabaseReadScheduler::AskClose(int result) {
  if (!running_) {
    DatabaseReadStep step;
    step.close = result;
    return step;
  }
  close_ = result;
  DatabaseReadStep step;
  step.cancelRunning = true;
  return step;
}

DatabaseReadStep DatabaseReadScheduler::Finished() {
  running_ = false;
  if (close_) {
    DatabaseReadStep step;
    step.close = close_;
    close_.reset();
    open_.reset();
    list_ = false;
    notes_.reset();
    return step;
  }
  if (open_) {
    const DatabaseRead open = *open_;
    open_.reset();
    return Start(open);
  }
  if (list_) {
    list_ = false;
    return Start(DatabaseRead{DatabaseRead::Kind::List});
  }
  if (notes_) {
    DatabaseRead notes{DatabaseRead::Kind::Notes};
    notes.notesId = *notes_;
    notes_.reset();
    return Start(notes);
  }
  return {};
}

}  // namespace orv
