// A progress bar on standard error, drawn only when it is a terminal.
#pragma once

#include <string>

class ProgressBar {
 public:
  // Draws nothing unless enabled and stderr is a terminal.
  ProgressBar(int total, bool enabled);
  ~ProgressBar();  // clears the bar
  ProgressBar(const ProgressBar&) = delete;
  ProgressBar& operator=(const ProgressBar&) = delete;

  bool active() const { return active_; }
  // Shows `done` of the total, with a label.
  void show(int done, const std::string& label);
  // Clears the bar, so that other output can follow on a clean line.
  void clear();

 private:
  int total_;
  bool active_;
  bool drawn_ = false;
};

// The bar's text for a width of `width` characters (without the label).
std::string progress_text(int done, int total, int width);
