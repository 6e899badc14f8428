#include "progress.h"

#include <unistd.h>

#include <cstdio>

ProgressBar::ProgressBar(int total, bool enabled) : total_(total), active_(enabled && isatty(STDERR_FILENO)) {}

ProgressBar::~ProgressBar() { clear(); }

void ProgressBar::show(int done, const std::string& label) {
  if (!active_) return;
  std::string shown = label.size() > 40 ? "..." + label.substr(label.size() - 37) : label;
  std::fprintf(stderr, "\r\033[K%s %s", progress_text(done, total_, 30).c_str(), shown.c_str());
  std::fflush(stderr);
  drawn_ = true;
}

void ProgressBar::clear() {
  if (!drawn_) return;
  std::fprintf(stderr, "\r\033[K");
  std::fflush(stderr);
  drawn_ = false;
}

std::string progress_text(int done, int total, int width) {
  if (total <= 0) total = 1;
  if (done > total) done = total;
  if (done < 0) done = 0;
  int filled = done * width / total;
  std::string text(1, '[');
  text.append(filled, '#').append(width - filled, '.');
  text += "] ";
  text += std::to_string(done) + "/" + std::to_string(total);
  return text;
}
