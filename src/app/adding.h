#pragma once

#include "playlist/addworker.h"

#include <deque>
#include <memory>

namespace lyrovo {

// One add the main window was asked for.
struct AddRequest {
  enum class Place {
    Append,        // after the last row
    AfterCurrent,  // right after the current row (row 1 when there is none)
    Before,        // before row `position`
  };
  AddSource source;
  QString location;  // the command's name in the error log
  Place place = Place::Append;
  int position = 0;
  bool replace = false;       // "open": empty the list first, then play row 1
  bool playFirstNew = false;  // play the first row added
  bool counts = false;        // shows "正在统计总文件数..." while the files are collected
};

// The add that runs and those waiting for it: one add at a time, the rest
// start in the order they were asked for.
struct AddingState {
  std::deque<AddRequest> waiting;
  std::unique_ptr<AddWorker> worker;
  AddRequest current;
  bool running = false;
  bool cancelled = false;
  bool failed = false;
  int total = 0;     // files the running add brings
  int added = 0;     // rows added so far
  int position = 0;  // fixed insertion position, 0 = append
  int firstNew = 0;  // position of the first row added
};

}  // namespace lyrovo
