#include "services/picture.hpp"

#include <algorithm>
#include <cmath>

#include "base/number_format.hpp"

namespace orthelev {

const PictureLine* Picture::LineNamed(const std::string& name) const {
  for (const PictureLine& line : lines)
    if (line.name == name) return &line;
  return nullptr;
}

namespace {

double RoundStep(double span, int maxTicks) {
  const double rough = span / std::max(1, maxTicks - 1);
  const double power = std::pow(10.0, std::floor(std::log10(rough)));
  for (const double factor : {1.0, 2.0, 5.0, 10.0})
    if (factor * power >= rough) return factor * power;
  return 10 * power;
}

}  // namespace

std::vector<double> RoundTicks(double low, double high, int maxTicks) {
  std::vector<double> ticks;
  if (!std::isfinite(low) || !std::isfinite(high) || high < low || maxTicks < 2) return ticks;
  if (high == low) return {low};
  const double step = RoundStep(high - low, maxTicks);
  for (double k = std::ceil(low / step); k * step <= high + step * 1e-9; ++k)
    ticks.push_back(k * step == 0 ? 0.0 : k * step);
  return ticks;
}

std::string TickText(double value, double step) {
  const int decimals =
      step >= 1 || step <= 0 ? 0 : static_cast<int>(std::ceil(-std::log10(step) - 1e-9));
  return FormatFixed(value, decimals);
}

}  // namespace orthelev
