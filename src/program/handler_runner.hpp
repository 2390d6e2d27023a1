#pragma once
// The rules both desktop windows keep for their handlers: a handler may run
// while another one does (a batch handles the waiting messages), and a close
// asked meanwhile waits until the outermost handler has ended, so that
// nothing a handler uses is released under it.

#include <functional>
#include <utility>

namespace orthelev {

class HandlerRunner {
 public:
  // `closeWindow` closes the window once a waiting close is due.
  explicit HandlerRunner(std::function<void()> closeWindow)
      : closeWindow_(std::move(closeWindow)) {}

  // Runs the handler, a failure escaping it going to the general error
  // display; when it was the outermost one and a close waits, closes.
  void Run(const std::function<void()>& handler);
  bool Running() const { return depth_ > 0; }

  // A close asked while a handler runs waits for it (true); false when no
  // handler runs and the window may close at once.
  bool DeferClose();
  bool ClosePending() const { return closePending_; }

 private:
  std::function<void()> closeWindow_;
  int depth_ = 0;
  bool closePending_ = false;
};

}  // namespace orthelev
