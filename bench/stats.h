// Order statistics of a handful of samples: the benchmark reports a median and
// the p10-p90 band around it, which a single slow round cannot move much.
#pragma once

#include <algorithm>
#include <cmath>
#include <vector>

namespace bench {

// The q-quantile (0..1) with linear interpolation between the closest ranks;
// NaN for no samples. NaN samples (a failed measurement) are left out.
inline double quantile(std::vector<double> samples, double q) {
  samples.erase(std::remove_if(samples.begin(), samples.end(), [](double x) { return std::isnan(x); }),
                samples.end());
  if (samples.empty()) return std::nan("");
  std::sort(samples.begin(), samples.end());
  const double at = q * static_cast<double>(samples.size() - 1);
  const std::size_t below = static_cast<std::size_t>(std::floor(at));
  const std::size_t above = std::min(below + 1, samples.size() - 1);
  return samples[below] + (samples[above] - samples[below]) * (at - static_cast<double>(below));
}

inline double median(const std::vector<double>& samples) { return quantile(samples, 0.5); }

struct Spread {
  double median, p10, p90;
};

inline Spread spreadOf(const std::vector<double>& samples) {
  return Spread{quantile(samples, 0.5), quantile(samples, 0.1), quantile(samples, 0.9)};
}

// Round by round program / floor; a round where either failed gives NaN.
inline std::vector<double> ratios(const std::vector<double>& program, const std::vector<double>& floor) {
  std::vector<double> out;
  for (std::size_t i = 0; i < program.size() && i < floor.size(); ++i)
    out.push_back(floor[i] > 0 ? program[i] / floor[i] : std::nan(""));
  return out;
}

}  // namespace bench
