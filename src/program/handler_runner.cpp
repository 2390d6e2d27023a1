#include "program/handler_runner.hpp"

#include "program/program.hpp"

namespace orthelev {

void HandlerRunner::Run(const std::function<void()>& handler) {
  ++depth_;
  RunShowingFailures(handler);
  --depth_;
  if (depth_ == 0 && closePending_) {
    closePending_ = false;
    closeWindow_();
  }
}

bool HandlerRunner::DeferClose() {
  if (depth_ == 0) return false;
  closePending_ = true;
  return true;
}

}  // namespace orthelev
